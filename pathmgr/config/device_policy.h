// "devinfo <SerialNumber>|all <policy>|failback-on|failback-off": load-balance policy
// and fail-back of one device or of all devices.
#pragma once
#include <functional>
#include <string>

#include "config/policy_write.h"
#include "inventory/inventory_index.h"
#include "inventory/records.h"
#include "session/session.h"

int set_device_policy(Session& session, Inventory& inventory, const std::string& serial, const std::string& word);
// Each device's outcome, told as its line is printed: its serial number and its last result.
using DeviceResultNote = std::function<void(const std::string& serial, int result)>;
int set_all_devices_policy(Session& session, Inventory& inventory, const std::string& word,
                           const DeviceResultNote& note = {});
int set_device_failback(Session& session, Inventory& inventory, const std::string& serial, const std::string& word);

// The same, over an index built once for many calls.
int set_device_policy(Session& session, Inventory& inventory, const InventoryIndex& index, const std::string& serial,
                      const std::string& word, LbOperationsInstances* cache = nullptr);
int set_device_failback(Session& session, Inventory& inventory, const InventoryIndex& index,
                        const std::string& serial, const std::string& word);

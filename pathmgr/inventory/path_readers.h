// Readers of the per-path sources: the driver's performance class, MPIO's path
// descriptors and MPIO's disk list.
#pragma once
#include <vector>

#include "inventory/records.h"
#include "session/session.h"

int read_path_perf(Session& session, std::vector<PathRecord>& paths);
int read_descriptors(Session& session, std::vector<DescriptorRecord>& descriptors);
int read_disk_info(Session& session, std::vector<DiskInfoRecord>& disks);

// Family-5 packed identifier to the path record's texts (address, ports, serial, state).
void decode_path_identifier(const std::vector<std::uint8_t>& identifier, PathRecord& record);
// Bytes 8..23 of Page83, each in upper-case hexadecimal without a leading zero.
std::string page83_id(const std::vector<std::uint8_t>& page83);
// Port, bus, target, LUN as eight upper-case hexadecimal digits.
std::string scsi_address_text(std::uint8_t port, std::uint8_t bus, std::uint8_t target, std::uint8_t lun);

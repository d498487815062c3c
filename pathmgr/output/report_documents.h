// The reports as JSON documents. Each reads what its text report reads, from the same
// records, and stages one document; a reader's failure is the result, as in text
// mode, and stages nothing.
#pragma once
#include <cstdint>
#include <ostream>
#include <string>

#include "output/json_output.h"
#include "session/session.h"
#include "session/words.h"

int devinfo_document(Session& session, JsonOutput& output);
// Filter kind empty for none, else "sn" or "hba" as typed.
int pathinfo_list_document(Session& session, JsonOutput& output, const std::string& kind, const std::string& value);
int pathinfo_detail_document(Session& session, JsonOutput& output, std::uint64_t path_id);
int iostatus_document(Session& session, JsonOutput& output);
int policies_document(Session& session, JsonOutput& output);
int dsminfo_document(Session& session, JsonOutput& output);
// "instance" alone: the class names it dumps in this family.
int instance_classes_document(Session& session, JsonOutput& output);
int instance_document(Session& session, JsonOutput& output, const std::string& class_name);
// The WMI browser's listing; after a failure the document holds what was listed and
// the text of the failure. Always 0, as in text mode. `err` receives the name of a
// class the namespace lacks, as in text mode.
int mpiolist_document(Session& session, JsonOutput& output, const Words& words, std::ostream& err);
// "pgr": the settings or the reservations on disks as a report; the other
// sub-commands as changes.
int pgr_document(Session& session, JsonOutput& output, const Words& words);

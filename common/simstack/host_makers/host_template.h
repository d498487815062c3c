// The fixed parts of a generated host, embedded from host_template.json at build time:
// "common" to both families, then "5" and "6" for each family's own.
#pragma once

namespace simstack {
const char* host_template_text();
}

// The demo faculty.
#include "server/database_file.h"

namespace qel::server {

void addDemoData(Storage&)
{
}

} // namespace qel::server

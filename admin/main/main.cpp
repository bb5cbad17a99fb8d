// tmadmin32: the administration utility. Its role comes from the name it
// was started under (see admin/shell/admin_state.h).
#include <string>
#include <vector>

#include "admin/shell/program.h"

int main(int argc, char** argv) {
  return tellmar::admin::RunAdmin(std::vector<std::string>(argv, argv + argc));
}

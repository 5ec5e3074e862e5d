// The program's icon for its windows and its task bar entry: the pictures of the installed
// icon, built into the program (tb_icon) so a copy that is not installed shows it too.
#pragma once

#include <QIcon>

namespace tb {

QIcon ProgramIcon();

} // namespace tb

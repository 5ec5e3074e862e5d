// Writing a whole text file so that a crash or a full disk never leaves it half-written:
// the bytes go to a temporary file in the same folder, which then replaces the old file.
#pragma once

#include <QString>
#include <string>

namespace tb {

// Throws EInOutError with the run-time library's text on failure; the old file is then untouched.
void writeFileAtomically(const QString &path, const std::string &content, size_t bufferSize);

// The run-time library's text for an operating-system error ("File access denied", ...).
QString runtimeErrorText(int error);

} // namespace tb

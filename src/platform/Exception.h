// The one base of every failure the program raises: it carries the text the user is shown.
#pragma once

#include <QString>
#include <stdexcept>

namespace tb {

class Exception : public std::runtime_error {
public:
    explicit Exception(const QString &message)
        : std::runtime_error(message.toStdString()), text_(message) {}
    const QString &message() const { return text_; }

private:
    QString text_;
};

// Failures of the operating system while reading or writing a file.
class EInOutError : public Exception {
public:
    using Exception::Exception;
};

} // namespace tb

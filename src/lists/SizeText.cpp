#include "SizeText.h"

#include "platform/FileSystem.h"
#include "platform/PathBytes.h"

#include <cstdio>
#include <string>

namespace tb {

namespace {

// `value` in fixed notation with two decimals, rounded first to 7 significant digits and then
// to the two decimals, each step half away from zero on the decimal digits.
struct FixedDigits {
    QString whole;    // digits before the point, no leading zeros ("0" when none)
    QString decimals; // exactly two digits
};

FixedDigits twoDecimalsOf7Significant(double value)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.6e", value); // d.dddddde±x: 7 significant digits
    const std::string text(buffer);
    std::string digits = text.substr(0, 1) + text.substr(2, 6);
    const int exponent = std::stoi(text.substr(text.find('e') + 1));
    // The number is 0.digits * 10^(exponent + 1); keep exponent + 3 digits for two decimals.
    const int keep = exponent + 3;
    if (keep < 0)
        return {"0", "00"};
    if (keep < static_cast<int>(digits.size())) {
        const bool roundUp = digits[static_cast<size_t>(keep)] >= '5';
        digits.resize(static_cast<size_t>(keep));
        if (roundUp) {
            int i = keep - 1;
            while (i >= 0 && digits[static_cast<size_t>(i)] == '9')
                digits[static_cast<size_t>(i--)] = '0';
            if (i >= 0)
                ++digits[static_cast<size_t>(i)];
            else
                digits.insert(digits.begin(), '1');
        }
    }
    while (static_cast<int>(digits.size()) < keep)
        digits += '0';
    if (digits.size() < 3)
        digits.insert(0, 3 - digits.size(), '0');
    std::string whole = digits.substr(0, digits.size() - 2);
    const size_t firstNonZero = whole.find_first_not_of('0');
    whole = firstNonZero == std::string::npos ? "0" : whole.substr(firstNonZero);
    return {QString::fromStdString(whole), QString::fromStdString(digits.substr(digits.size() - 2))};
}

QString formatWithUnit(double value, const QLocale &locale, const char *unit)
{
    const FixedDigits fixed = twoDecimalsOf7Significant(value);
    // The whole part takes the locale's grouping; sizes stay far below the range of qlonglong.
    const QString grouped = locale.toString(fixed.whole.toLongLong());
    return grouped + locale.decimalPoint() + fixed.decimals + QLatin1String(unit);
}

} // namespace

QString SizeText(int64_t size, const QLocale &locale)
{
    if (size < 1024)
        return QString::number(size) + QStringLiteral("Bytes");
    if (size < 1048576)
        return formatWithUnit(static_cast<double>(size) / 1024.0, locale, "KB");
    return formatWithUnit(static_cast<double>(size) / 1048576.0, locale, "MB");
}

QString FileSizeText(FileSystem &fileSystem, const QString &path, const QLocale &locale)
{
    const int64_t size = fileSystem.fileSize(path);
    if (size < 0)
        throw EFOpenError(path);
    return SizeText(size, locale);
}

QString ListItemText(const QString &path, const QString &sizeText)
{
    return displayPath(FileNameOf(path)) + QStringLiteral(" -- ") + sizeText;
}

} // namespace tb

#include "adapters/qt_number_format.h"

#include <QString>

namespace pm {
namespace {

// Qt has no public API for the group sizes, so read them off the way the locale writes a long
// integer: the digit runs between separators, from the right. The leftmost run may be partial and
// says nothing. Marks other than digits and separators (bidirectional controls) are skipped.
std::vector<int> groupSizesOf(const QString& written, const QString& separator) {
    std::vector<int> sizes;
    int run = 0;
    qsizetype at = written.size();
    while (at > 0) {
        if (at >= separator.size() &&
            QStringView(written).sliced(at - separator.size(), separator.size()) == separator) {
            sizes.push_back(run);
            run = 0;
            at -= separator.size();
            continue;
        }
        --at;
        if (written.at(at).isDigit()) {
            ++run;
        }
    }
    // Only the sizes that change matter: the last one repeats.
    while (sizes.size() > 1 && sizes[sizes.size() - 1] == sizes[sizes.size() - 2]) {
        sizes.pop_back();
    }
    return sizes;
}

}  // namespace

NumberFormat numberFormatOf(const QLocale& locale) {
    NumberFormat format;
    format.decimalSymbol = locale.decimalPoint().toStdString();
    format.groupSeparator = locale.groupSeparator().toStdString();
    format.leadingZero = true;  // Qt always writes a digit before the decimal symbol
    format.grouping.clear();
    const QString separator = locale.groupSeparator();
    if (separator.isEmpty() || locale.numberOptions().testFlag(QLocale::OmitGroupSeparator)) {
        return format;
    }
    format.grouping = groupSizesOf(locale.toString(1234567890123456789LL), separator);
    if (format.grouping.empty() || format.grouping.front() <= 0) {
        format.grouping.clear();
        return format;
    }

    // Some locales leave a short integer part ungrouped (1234 but 12 345): find the shortest one
    // that gets a separator.
    qlonglong power = 1;
    for (int k = 0; k < format.grouping.front(); ++k) {
        power *= 10;
    }
    for (int extra = 1; extra <= 4; ++extra) {
        if (locale.toString(power).contains(separator)) {
            format.minimumGroupingDigits = extra;
            break;
        }
        power *= 10;
    }
    return format;
}

}  // namespace pm

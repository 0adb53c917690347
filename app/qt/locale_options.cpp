#include "locale_options.h"

namespace tavik {

TTavikOptions TavikOptionsFor(const QLocale& locale) {
    TTavikOptions options;
    const QString point = locale.decimalPoint();
    options.DecimalSeparator =
        point.size() == 1 && point[0].unicode() < 0x80 ? static_cast<char>(point[0].unicode()) : '.';
    const QString group = locale.groupSeparator();
    options.GroupSeparator = group.isEmpty() ? std::string(" ") : QString(group[0]).toStdString();
    return options;
}

}  // namespace tavik

#include "locale_options.h"

#include "common/decimal_separator.h"

namespace tavik {

TTavikOptions TavikOptionsFor(const QLocale& locale) {
    TTavikOptions options;
    // The same reading of the environment as every other front-end's (Qt
    // has set the C library's locale from it); only the group separator is
    // Qt's.
    options.DecimalSeparator = UserDecimalSeparator();
    const QString group = locale.groupSeparator();
    options.GroupSeparator = group.isEmpty() ? std::string(" ") : QString(group[0]).toStdString();
    return options;
}

}  // namespace tavik

#include "error_box.h"

#include <QMessageBox>

namespace tavik {

const QString ProgramTitle = QStringLiteral("Тавик");

QString ErrorBoxText(const QString& message) {
    if (!message.isEmpty() && message.back() > QLatin1Char('.')) return message + QLatin1Char('.');
    return message;
}

void ShowErrorBox(const QString& caption, const QString& text) {
    QMessageBox box(QMessageBox::Critical, caption, text, QMessageBox::Ok);
    box.exec();
}

}  // namespace tavik

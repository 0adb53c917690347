#include "error_box.h"

#include <QMessageBox>

namespace tavik {

void ShowErrorBox(const std::string& caption, const std::string& text) {
    QMessageBox box(QMessageBox::Critical, QString::fromStdString(caption), QString::fromStdString(text), QMessageBox::Ok);
    box.exec();
}

}  // namespace tavik

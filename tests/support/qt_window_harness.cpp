#include "qt_window_harness.h"

#include <QCoreApplication>

namespace tavik::test {

TQtWindowHarness::TQtWindowHarness(char separator, TLoop loop) {
    View.ErrorPresenter = [this](const std::string& caption, const std::string& text) {
        Errors.push_back(caption + "|" + text);
    };
    TTavikOptions options;
    options.DecimalSeparator = separator;
    options.Clock = [this] { return Now; };
    options.RecordDirectory = Folder.string();
    TEventLoop& chosen = loop == TLoop::Qt ? static_cast<TEventLoop&>(QtLoop) : Loop;
    Window = std::make_unique<TTavik>(Platform, chosen, View, options);
}

TQtWindowHarness::~TQtWindowHarness() { Window.reset(); }

void TQtWindowHarness::ProcessEvents() {
    Loop.ProcessEvents();
    QCoreApplication::processEvents();
}

}  // namespace tavik::test

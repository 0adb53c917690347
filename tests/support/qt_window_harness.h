#pragma once
// The Qt view of the window over simulated modules: for what only the view
// does (placing widgets from the table, painting, colours of the theme, the
// real window). The loop is the manual one, or Qt's for a window that runs.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/qt/qt_window_view.h"
#include "loop/qt/qt_event_loop.h"
#include "simulated_modules.h"
#include "window/tavik.h"

namespace tavik::test {

class TQtWindowHarness : public TSimulatedModules {
public:
    enum class TLoop { Manual, Qt };
    explicit TQtWindowHarness(char separator = ',', TLoop loop = TLoop::Manual);
    ~TQtWindowHarness();

    TQtEventLoop QtLoop;
    TQtWindowView View;
    std::vector<std::string> Errors;  // "caption|text" of every error box
    std::unique_ptr<TTavik> Window;

    template <typename W>
    W* Widget(TControlId id) const { return View.As<W>(id); }
    // The manual loop's calls, then Qt's events (paints among them).
    void ProcessEvents();
};

}  // namespace tavik::test

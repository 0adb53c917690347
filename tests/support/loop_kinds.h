#pragma once
// Every event loop this build has that can watch sockets, for tests run on
// each: the manual loop everywhere, the Win32 loop on Windows, the Qt loop
// where the test is built with Qt (TAVIK_TEST_QT_LOOP, inside the QApplication
// of qt_test_main.cpp).
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "loop/manual/manual_event_loop.h"
#ifdef _WIN32
#include "loop/win32/win32_event_loop.h"
#endif
#ifdef TAVIK_TEST_QT_LOOP
#include "loop/qt/qt_event_loop.h"
#endif

namespace tavik::test {

struct TLoopKind {
    std::string Name;
    std::function<std::unique_ptr<TEventLoop>()> Make;
    friend void PrintTo(const TLoopKind& kind, std::ostream* out) { *out << kind.Name; }
};

inline std::vector<TLoopKind> LoopKinds() {
    std::vector<TLoopKind> kinds{{"Manual", [] { return std::make_unique<TManualEventLoop>(); }}};
#ifdef _WIN32
    kinds.push_back({"Win32", [] { return std::make_unique<TWin32EventLoop>(); }});
#endif
#ifdef TAVIK_TEST_QT_LOOP
    kinds.push_back({"Qt", [] { return std::make_unique<TQtEventLoop>(); }});
#endif
    return kinds;
}

inline std::string LoopKindName(const testing::TestParamInfo<TLoopKind>& kind) { return kind.param.Name; }

}  // namespace tavik::test

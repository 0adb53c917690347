#include "error_report.h"

#if defined(__GNUG__)
#include <cxxabi.h>
#endif
#include <cstdlib>
#include <exception>
#include <typeinfo>

#include "common/errors.h"
#include "window_layout.h"

namespace tavik {

namespace {
std::string TypeName(const std::type_info& type) {
    std::string name = type.name();
#if defined(__GNUG__)
    int status = 0;
    char* demangled = abi::__cxa_demangle(type.name(), nullptr, nullptr, &status);
    if (status == 0 && demangled) name = demangled;
    std::free(demangled);
#endif
    return name;
}
}  // namespace

std::string ErrorBoxText(const std::string& message) {
    // In UTF-8 every character after the full stop ends in a byte above it.
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + '.';
    return message;
}

std::optional<TErrorReport> ReportOfCurrentError(const char* place) {
    try {
        throw;
    } catch (const EAbort&) {
        return std::nullopt;
    } catch (const ETavikError& error) {
        return TErrorReport{WindowFrame.Caption, ErrorBoxText(error.what())};
    } catch (const std::exception& error) {
        return TErrorReport{"Application Error",
                            "Exception " + TypeName(typeid(error)) + " in " + place + ": " + error.what()};
    } catch (...) {
        return TErrorReport{"Application Error", std::string("Unknown exception in ") + place + "."};
    }
}

}  // namespace tavik

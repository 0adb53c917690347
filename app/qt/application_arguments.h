#pragma once
// What the program hands to QApplication: its name alone. Тавик takes no
// arguments, and Qt's own (-reverse, -qwindowgeometry, -style, ...) must not
// act on its fixed window.
namespace tavik {

class TApplicationArguments {
public:
    explicit TApplicationArguments(char** argv) : Values{argv[0], nullptr} {}
    TApplicationArguments(const TApplicationArguments&) = delete;
    TApplicationArguments& operator=(const TApplicationArguments&) = delete;

    // QApplication keeps references to both for its whole life.
    int Count = 1;
    char* Values[2];
};

}  // namespace tavik

#pragma once
// A file-size limit for this process, so that writes fail as on a full disk
// without root; lifted again when it goes out of scope.
#include <sys/resource.h>

#include <csignal>

namespace tavik::test {

class TFileSizeLimit {
public:
    explicit TFileSizeLimit(rlim_t bytes) {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &Saved_);
        rlimit limit = Saved_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~TFileSizeLimit() { setrlimit(RLIMIT_FSIZE, &Saved_); }
    TFileSizeLimit(const TFileSizeLimit&) = delete;
    TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;

private:
    rlimit Saved_{};
};

}  // namespace tavik::test

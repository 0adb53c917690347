BUILD ?= build
SAN_BUILD ?= build-san
ARM_BUILD ?= build-arm64
CORE_BUILD ?= build-core
WIN_BUILD ?= build-windows
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_SMOKE_SECONDS ?= 4
JOBS ?= $(shell nproc)

.PHONY: all deps build run check package test test-core sanitize test-arm64 cross-arm64 test-windows cross-windows package-windows fuzz fuzz-smoke fuzz-build bench demo install clean stress

all: build

deps:
	@scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@scripts/run.sh $(BUILD)/app/tavik

# The edit-test loop: unit and window tests of the native build, no soak.
check: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS) -E '^Soak\.'

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
	@$(MAKE) --no-print-directory test-core
	@$(MAKE) --no-print-directory sanitize
	@$(MAKE) --no-print-directory fuzz-smoke
	@$(MAKE) --no-print-directory test-arm64
	@$(MAKE) --no-print-directory test-windows
	@$(MAKE) --no-print-directory package >/dev/null
	@tests/package/check.sh $(BUILD)
	@tests/e2e/run.sh $(BUILD) $(WIN_BUILD)

# The instrument core, the window's behaviour and their tests built with Qt
# out of reach: nothing below the front-ends may need it.
test-core: deps
	@cmake -S . -B $(CORE_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVIK_QT=OFF -DCMAKE_DISABLE_FIND_PACKAGE_Qt6=ON >/dev/null
	@cmake --build $(CORE_BUILD) -j $(JOBS)
	@cd $(CORE_BUILD) && ctest --output-on-failure -j $(JOBS)

# The whole suite again under AddressSanitizer and UndefinedBehaviorSanitizer.
sanitize: deps
	@cmake -S . -B $(SAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DTAVIK_SANITIZE=ON -DTAVIK_BENCH=OFF >/dev/null
	@cmake --build $(SAN_BUILD) -j $(JOBS)
	@cd $(SAN_BUILD) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/sanitizers/lsan.supp \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure -j $(JOBS)

# The whole suite cross-built for arm64 and run under qemu-user, the real-window
# test included. On an arm64 machine the native run already is that.
test-arm64:
	@if [ "$$(dpkg --print-architecture)" = arm64 ]; then echo "test-arm64: native arm64, covered by the native run"; \
	else $(MAKE) --no-print-directory cross-arm64; fi

cross-arm64:
	@scripts/install-deps.sh arm64
	@cmake -S . -B $(ARM_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVIK_BENCH=OFF >/dev/null
	@cmake --build $(ARM_BUILD) -j $(JOBS)
	@cd $(ARM_BUILD) && ctest --output-on-failure -j $(JOBS)

# The Windows programs cross-built with mingw-w64 and the whole suite run
# under Wine (scripts/wine-run.sh keeps a private prefix in the build folder,
# its wineserver kept running meanwhile), then the number sweep of both builds
# compared byte for byte, tavik-cli.exe driven as the native tavik-cli's
# process tests drive it, and the installer checked.
WIN_PREFIX = $(CURDIR)/$(WIN_BUILD)/wine-prefix
test-windows: build cross-windows
	@# A server an interrupted run left (its services keep it up) would hold
	@# the wait below for ever: the prefix is this build's own.
	@WINEPREFIX=$(WIN_PREFIX) wineserver -k 2>/dev/null || true
	@WINEPREFIX=$(WIN_PREFIX) scripts/wine-run.sh cmd /c exit 0 && WINEPREFIX=$(WIN_PREFIX) wineserver -w
	@# Wine's own services start with the first program and outlive it while the
	@# server stays: started here, they hold no test's output open.
	@WINEPREFIX=$(WIN_PREFIX) wineserver -p 120 </dev/null >/dev/null 2>&1
	@WINEPREFIX=$(WIN_PREFIX) scripts/wine-run.sh cmd /c exit 0 </dev/null >/dev/null 2>&1
	@cd $(WIN_BUILD) && ctest --output-on-failure -j $(JOBS)
	@tests/common/compare_number_sweep.sh $(BUILD)/tests/number_sweep $(WIN_BUILD)/tests/number_sweep.exe
	@TAVIK_CLI_UNDER_TEST=$(CURDIR)/$(WIN_BUILD)/cli/tavik-cli.exe TAVIK_CLI_EMULATOR=$(CURDIR)/scripts/wine-run.sh \
	  $(BUILD)/tests/cli_tests --gtest_filter='CliProcess.*' --gtest_brief=1
	@WINEPREFIX=$(WIN_PREFIX) wineserver -k 2>/dev/null || true
	@$(MAKE) --no-print-directory package-windows >/dev/null
	@tests/package/check-windows.sh $(WIN_BUILD)

cross-windows:
	@scripts/install-deps.sh windows
	@cmake -S . -B $(WIN_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/x86_64-w64-mingw32.cmake \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(WIN_BUILD) -j $(JOBS)

# tavik-<version>-win64.zip and tavik-<version>-setup.exe in the Windows build folder.
package-windows: cross-windows
	@scripts/package-windows.sh $(WIN_BUILD)

demo: build
	@scripts/demo.sh $(BUILD)

# tavik_<version>_<arch>.deb in the build folder.
package: build
	@scripts/install-deps.sh package
	@cd $(BUILD) && cpack -G DEB >/dev/null && ls $(CURDIR)/$(BUILD)/tavik_*.deb

install: build
	@if [ "$$(id -u)" -eq 0 ]; then cmake --install $(BUILD); else sudo cmake --install $(BUILD); fi
	@echo "Installed. Reload the udev rules (sudo udevadm control --reload) and plug the modules in again."

# The end-to-end stage STRESS_RUNS times in a row with every core kept busy
# by stress-ng, and a table of every check's failures and every wait's
# slowest time (tests/e2e/stress.sh; STRESS_WINE_SUITE=1 runs the Windows
# suite under Wine each time too).
STRESS_RUNS ?= 5
stress: build cross-windows
	@STRESS_BUILD=$(BUILD) STRESS_WIN_BUILD=$(WIN_BUILD) tests/e2e/stress.sh $(STRESS_RUNS)

# Each fuzz target for FUZZ_SECONDS, from the seed corpus in fuzz/corpus and
# what earlier runs kept in the build folder.
fuzz: fuzz-build
	@scripts/fuzz.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

# Each fuzz target for FUZZ_SMOKE_SECONDS from its seed corpus alone: part of
# `make test`, so that a target that no longer builds, or finds something,
# fails the run.
fuzz-smoke: fuzz-build
	@scripts/fuzz.sh $(FUZZ_BUILD) $(FUZZ_SMOKE_SECONDS) seeds

fuzz-build:
	@scripts/install-deps.sh fuzz
	@CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVIK_FUZZ=ON \
	  -DTAVIK_TESTS=OFF -DTAVIK_BENCH=OFF >/dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS)

bench: build
	@for b in $(BUILD)/bench/*_bench; do echo "== $${b##*/}"; $$b; done

clean:
	rm -rf $(BUILD) $(SAN_BUILD) $(ARM_BUILD) $(WIN_BUILD) $(FUZZ_BUILD) $(CORE_BUILD)

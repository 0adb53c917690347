BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: all deps build run test bench demo install clean

all: build

deps:
	@scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@scripts/run.sh $(BUILD)/app/tavik

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
	@tests/e2e/run.sh $(BUILD)

demo: build
	@scripts/demo.sh $(BUILD)

install: build
	@if [ "$$(id -u)" -eq 0 ]; then cmake --install $(BUILD); else sudo cmake --install $(BUILD); fi
	@echo "Installed. Reload the udev rules (sudo udevadm control --reload) and plug the modules in again."

bench: build
	@for b in chart_bench startup_bench acquisition_bench tables_bench; do echo "== $$b"; $(BUILD)/bench/$$b; done

clean:
	rm -rf $(BUILD)

# `make run` builds and starts the program; `make test` builds and runs every test.
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: setup build run test bench clean

setup:
	@tools/setup.sh

# Configured once; afterwards the build itself reruns CMake when a CMakeLists.txt changes.
build: setup
	@[ -f $(BUILD)/CMakeCache.txt ] || cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/app/vandremolix

test: build
	@tools/run-tests.sh $(BUILD)

bench: build
	@bench/run.sh $(BUILD)

clean:
	rm -rf $(BUILD)

# make run: set up this machine, build, and open the program under Wine.
# make test: set up this machine, build, and run every test.
BUILD ?= build
BUILD_DIR := $(abspath $(BUILD))
JOBS ?= $(shell nproc)
export BUILD_DIR

.PHONY: all setup build build32 build64 run test bench format

all: build

setup:
	@bash cmake/setup-host.sh

# The shipped 32-bit program, and the 64-bit twin with the tests.
build: build32 build64

build32: setup
	@cmake -S . -B $(BUILD_DIR)/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-w64-mingw32.cmake >/dev/null
	@cmake --build $(BUILD_DIR)/win32 -j $(JOBS)

build64: setup
	@cmake -S . -B $(BUILD_DIR)/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-x86_64-w64-mingw32.cmake -DVARNELO_TESTS=ON >/dev/null
	@cmake --build $(BUILD_DIR)/win64 -j $(JOBS)

run: build
	@bash tests/harness/run-program.sh

test: build
	@bash tests/harness/test-session.sh

bench: build
	@bash tests/bench/run-bench.sh

format:
	@clang-format -i $$(git ls-files '*.cpp' '*.h')

# Convenience driver for CMake. `make demo` and `make test` are the two entry points.
BUILD ?= build
SAN_BUILD ?= build-sanitize
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS ?=

.PHONY: all build demo test test-sanitize bench bench-event clean

all: build

build:
	cmake -S . -B $(BUILD) -DTW_BUILD_TESTS=ON $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j $(JOBS)

# The demo needs the programs and the tables only: no GoogleTest, no test executables.
demo:
	cmake -S . -B $(BUILD) -DTW_BUILD_TESTS=OFF $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j $(JOBS)
	./examples/run-demo.sh $(BUILD)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test-sanitize:
	cmake -S . -B $(SAN_BUILD) -DTW_SANITIZE=ON $(CMAKE_FLAGS)
	cmake --build $(SAN_BUILD) -j $(JOBS)
	cd $(SAN_BUILD) && ctest --output-on-failure -j $(JOBS)

bench:
	cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DTW_BUILD_BENCH=ON
	cmake --build build-bench -j $(JOBS)

# Whole-event benchmark against the numpy reference (see README, Performance).
bench-event:
	./bench/event/run.sh build-release

clean:
	rm -rf $(BUILD) $(SAN_BUILD) build-bench build-release

# The two commands of the README. Everything is built by CMake into build/.
BUILD := build
JOBS  := 2

.PHONY: all build test run clean

all: build

build:
	@cmake -S . -B $(BUILD) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

test: build
	@ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

run: build
	@echo "The example working directory is not there yet; vorn is built at $(BUILD)/vorn."

clean:
	rm -rf $(BUILD)

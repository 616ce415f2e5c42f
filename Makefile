# The two commands of the README. Everything is built by CMake into build/.
BUILD := build
JOBS  := 2
# The programs a first run needs; `make test` builds everything else too.
RUN_TARGETS := vorn vornbank example_workdir

# CMake's own makefiles would otherwise announce every directory they enter.
MAKEFLAGS += --no-print-directory

.PHONY: all build configure test run bench sanitize fuzz docs-chart clean

all: build

# CMake's warnings and errors are shown, its progress lines are not. Options for
# the first configure go in CMAKE_OPTIONS, e.g. CMAKE_OPTIONS=-DVORN_VORNFIT=OFF.
configure:
	@out=$$(cmake -S . -B $(BUILD) --log-level=WARNING $(CMAKE_OPTIONS) 2>&1); status=$$?; \
	 printf '%s\n' "$$out" | grep -v -e '^-- Configuring done' -e '^-- Generating done' \
	     -e '^-- Build files have been written' -e '^$$' >&2; exit $$status

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

test: build
	@ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# Every test program built with clang under AddressSanitizer and
# UndefinedBehaviorSanitizer (the fuzz targets are built alongside).
SANITIZE_BUILD := build-sanitize
sanitize:
	@CC=clang CXX=clang++ cmake -S . -B $(SANITIZE_BUILD) -DVORN_FUZZ=ON >/dev/null
	@cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	@ctest --test-dir $(SANITIZE_BUILD) --output-on-failure -j $(JOBS)

# Every fuzz target for FUZZ_SECONDS, one after the other; fails on any finding.
FUZZ_SECONDS := 20
fuzz:
	@FUZZ_BUILD=$(SANITIZE_BUILD) fuzz/run-all $(FUZZ_SECONDS)

# A five-year forecast on a scratch copy of the example; the shipped files stay as they are.
run: configure
	@cmake --build $(BUILD) -j $(JOBS) --target $(RUN_TARGETS)
	@rm -rf $(BUILD)/run && cp -r $(BUILD)/example $(BUILD)/run
	@cd $(BUILD)/run && ../vorn 2000.4 2005.4 plain.fix </dev/null
	@echo
	@echo "Solved series in $(BUILD)/run/bws.bnk:"
	@cd $(BUILD)/run && ../vornbank export bws gdp_real consum invest imports govt --from 2000.4 --to 2005.4
	@cd $(BUILD)/run && ../vornbank chart bws gdp_real consum invest imports --from 1996.1 --to 2005.4 \
		--forecast-from 2001.1 --out forecast.svg
	@echo
	@echo "Chart of the forecast: $(BUILD)/run/forecast.svg"

# The README's picture: the chart of `make run`, copied into docs/.
docs-chart: run
	cp $(BUILD)/run/forecast.svg docs/forecast.svg

# The benchmarks (Google Benchmark, libbenchmark-dev) and the whole-process time of 10,000 trials.
bench: configure
	@cmake --build $(BUILD) -j $(JOBS) --target vorn_bench
	@$(BUILD)/bench/vorn_bench

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD) build-fuzz

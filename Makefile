# Entry points: make build | make test | make demo | make bench | make windows |
#               make test-sanitize | make fuzz
BUILD   ?= build
JOBS    ?= 2
TYPE    ?= RelWithDebInfo
TOP     := $(CURDIR)
# Only what runs the library sees the project's ODBC files; package installs never do.
ETC     := $(TOP)/$(BUILD)/etc
unexport ODBCSYSINI ODBCINI ODBCINSTINI

SAN_BUILD  ?= build-sanitize
FUZZ_BUILD ?= build-fuzz
FUZZ_TIME  ?= 20

.PHONY: deps deps-bench deps-windows deps-fuzz configure build test demo bench windows test-sanitize \
        fuzz clean

deps:
	@scripts/deps.sh

deps-bench:
	@scripts/deps.sh bench

deps-windows:
	@scripts/deps.sh windows

deps-fuzz:
	@scripts/deps.sh fuzz

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=$(TYPE) >/dev/null

build: configure
	@cmake --build $(BUILD) -j$(JOBS) -- --no-print-directory

test: build
	cd $(BUILD) && ODBCSYSINI=$(ETC) ctest --output-on-failure -j$(JOBS) --timeout 300

demo: build
	@scripts/demo.sh $(BUILD)

bench: deps-bench configure
	@cmake --build $(BUILD) -j$(JOBS) --target benchmarks -- --no-print-directory
	@scripts/bench.sh $(BUILD)

# ZORB.dll for x64 and x86 (build-win64, build-win32) and its checks; x64 runs under Wine on the
# engine of the Linux build.
windows: deps-windows
	@$(MAKE) --no-print-directory configure
	@scripts/windows.sh $(BUILD) $(JOBS) $(TYPE)

# The library, the engine and every test built with ASan and UBSan in a folder of their own.
test-sanitize: deps
	@cmake -S . -B $(SAN_BUILD) -DCMAKE_BUILD_TYPE=$(TYPE) -DZORB_SANITIZE=ON >/dev/null
	@cmake --build $(SAN_BUILD) -j$(JOBS) -- --no-print-directory
	cd $(SAN_BUILD) && ODBCSYSINI=$(TOP)/$(SAN_BUILD)/etc \
	  ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  LSAN_OPTIONS=suppressions=$(TOP)/tests/sanitize/lsan.supp \
	  ctest --output-on-failure -j$(JOBS) --timeout 600

# libFuzzer targets (clang), each run for FUZZ_TIME seconds from the seeds in tests/fuzz/corpus.
fuzz: deps-fuzz
	@cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=$(TYPE) -DCMAKE_C_COMPILER=clang \
	  -DCMAKE_CXX_COMPILER=clang++ -DZORB_FUZZ=ON >/dev/null
	@cmake --build $(FUZZ_BUILD) -j$(JOBS) --target fuzzers -- --no-print-directory
	@scripts/fuzz.sh $(FUZZ_BUILD) $(FUZZ_TIME)

clean:
	rm -rf $(BUILD) build-win64 build-win32 $(SAN_BUILD) $(FUZZ_BUILD)

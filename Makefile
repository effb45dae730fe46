# Entry points: make build | make test | make demo | make bench | make windows
BUILD   ?= build
JOBS    ?= 2
TYPE    ?= RelWithDebInfo
TOP     := $(CURDIR)
# Only what runs the library sees the project's ODBC files; package installs never do.
ETC     := $(TOP)/$(BUILD)/etc
unexport ODBCSYSINI ODBCINI ODBCINSTINI

.PHONY: deps deps-bench deps-windows configure build test demo bench windows clean

deps:
	@scripts/deps.sh

deps-bench:
	@scripts/deps.sh bench

deps-windows:
	@scripts/deps.sh windows

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

clean:
	rm -rf $(BUILD) build-win64 build-win32

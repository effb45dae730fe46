# Entry points: make build | make test | make demo | make bench
BUILD   ?= build
JOBS    ?= 2
TYPE    ?= RelWithDebInfo
TOP     := $(CURDIR)
# Only what runs the library sees the project's ODBC files; package installs never do.
ETC     := $(TOP)/$(BUILD)/etc
unexport ODBCSYSINI ODBCINI ODBCINSTINI

.PHONY: deps deps-bench configure build test demo bench clean

deps:
	@scripts/deps.sh

deps-bench:
	@scripts/deps.sh bench

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

clean:
	rm -rf $(BUILD)

# Entry points: make build | make test | make demo | make bench
BUILD   ?= build
JOBS    ?= 2
TYPE    ?= RelWithDebInfo
TOP     := $(CURDIR)
export ODBCSYSINI := $(TOP)/$(BUILD)/etc

.PHONY: deps configure build test demo bench clean

deps:
	@scripts/deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=$(TYPE) >/dev/null

build: configure
	@cmake --build $(BUILD) -j$(JOBS) -- --no-print-directory

test: build
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS) --timeout 300

demo: build
	@scripts/demo.sh $(BUILD)

bench: configure
	@cmake --build $(BUILD) -j$(JOBS) --target benchmarks -- --no-print-directory
	@scripts/bench.sh $(BUILD)

clean:
	rm -rf $(BUILD)

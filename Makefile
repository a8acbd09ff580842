# One command for everything: `make test` installs, builds both trees and runs every test.
SHELL := /bin/bash
ROOT := $(abspath $(dir $(lastword $(MAKEFILE_LIST))))
BUILD := $(ROOT)/build

.PHONY: all deps configure build test test-native test-wine bench format demo fuzz clean

all: build

deps:
	@$(ROOT)/tools/deps.sh

configure: deps
	@cmake --preset native -S $(ROOT) >/dev/null
	@cmake --preset win32 -S $(ROOT) >/dev/null

build: configure
	@cmake --build $(BUILD)/native
	@cmake --build $(BUILD)/win32

# Both trees run in one CTest invocation, so the last lines are a single summary.
$(BUILD)/CTestTestfile.cmake:
	@mkdir -p $(BUILD)
	@printf 'subdirs("native" "win32")\n' >$@

test: build $(BUILD)/CTestTestfile.cmake
	@cd $(BUILD) && ctest --output-on-failure -j2 --timeout 600

test-native: build
	@cd $(BUILD)/native && ctest --output-on-failure -j2

test-wine: build
	@cd $(BUILD)/win32 && ctest --output-on-failure

bench: deps
	@cmake --preset bench -S $(ROOT) >/dev/null
	@cmake --build $(BUILD)/bench --target benchmarks
	@for b in $$(find $(BUILD)/bench -name '*_bench' -type f -executable | sort); do echo "== $$b"; $$b; done

# One acquisition of the phantom through Scanlink_sim, Generic and PanoHost under Wine.
# MODE=10|12 ROTATION=1|0 POSTPROCESS=<hex> TYPEPANO=0|1|2; results in out/demo/.
# DRIVER=demo: the demonstration set (Scanlink_demo, Generic, DEMO0001.TIF) instead.
demo: configure
	@DRIVER=$(DRIVER) MODE=$(MODE) ROTATION=$(ROTATION) POSTPROCESS=$(POSTPROCESS) TYPEPANO=$(TYPEPANO) $(ROOT)/tools/demo.sh

# The fuzzers (clang, libFuzzer) run FUZZ_SECONDS each; their corpora grow in build/fuzz/work.
FUZZ_SECONDS ?= 300
fuzz: deps
	@cmake -S $(ROOT)/acquisition/fuzz -B $(BUILD)/fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ >/dev/null
	@cmake --build $(BUILD)/fuzz
	@for f in tiff_reader_fuzz jpeg_decoder_fuzz unit_message_fuzz line_collector_fuzz; do \
	  $(ROOT)/acquisition/fuzz/run-fuzzer $(BUILD)/fuzz/$$f $(ROOT)/acquisition/fuzz/corpus/$$f $(BUILD)/fuzz/work $(FUZZ_SECONDS) || exit 1; \
	done

# The installation medium: build/win32/media/ (the CD-ROM's folder) and its ISO 9660
# image build/win32/orvix-install.iso, for OrvixInstall (README: the installation wizard).
.PHONY: media
media: configure
	@cmake --build $(BUILD)/win32 --target media

# The integrators' kit: headers, import libraries, drivers, examples, PanoView, README.
.PHONY: sdk
sdk: configure
	@$(ROOT)/tools/sdk-kit.sh

format:
	@git -C $(ROOT) ls-files '*.cpp' '*.h' | sed 's|^|$(ROOT)/|' | xargs clang-format -i

clean:
	rm -rf $(BUILD)

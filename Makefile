# Front door for building, running and testing Orvex on Debian 12.
#   make run [ARGS="..."]   build and start the program
#   make test               install what is missing, build, run every test
# PRESET=asan runs the same build and tests under AddressSanitizer + UBSan.

PRESET ?= default
BUILD  := build/$(PRESET)
ARGS   ?=
# CI turns warnings into errors; a developer's build only shows them.
WERROR := $(if $(CI),-DORVEX_WERROR=ON,)

.PHONY: all deps configure build test run clean

all: build

deps:
	@tools/install-deps.sh

configure: deps
	cmake --preset $(PRESET) $(WERROR) >/dev/null

build: configure
	cmake --build --preset $(PRESET) -j $$(nproc)

test: build
	ctest --preset $(PRESET)

run: build
	$(BUILD)/cli/orvex-cli $(ARGS)

clean:
	rm -rf build

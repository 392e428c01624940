# Front door for building, running and testing Orvex on Debian 12.
#   make run [ARGS="..."]   build and start the window (four ARGS: as Vandrel starts it)
#   make test               install what is missing, build, run every test
#   make fuzz               run the fuzz targets (FUZZ_SECONDS each)
#   make bench [BENCH_ARGS="--size-mb 5 --runs 3"]
#                           time orvex-cli convert against its peers, measure what bringing
#                           24 bits to 16 does to a quiet tone, then the window's answers
#                           phase by phase (bench/README.md)
#   make bench-quality      the quiet tone's part alone
#   make bench-window [WINDOW_BENCH_ARGS="--runs 2 --busy 2"]
#                           the window's part alone
#   make install [PREFIX=/usr/local]
#                           build, then install programs, menu entry, icons, manual pages
#   make package            build the Debian package build/package/orvex_VERSION_ARCH.deb
#   make screenshot         redraw docs/orvex-window.png, docs/orvex-selection.png,
#                           docs/orvex-zoomed-selection.png and docs/orvex-normalised.png
# PRESET=asan runs the same build and tests under AddressSanitizer + UBSan; PRESET=tsan
# builds orvex-cli and its tests under ThreadSanitizer and runs those that run threads.

PRESET ?= default
BUILD  := build/$(PRESET)
ARGS   ?=
# CI turns warnings into errors; a developer's build only shows them.
WERROR := $(if $(CI),-DORVEX_WERROR=ON,)

.PHONY: all deps configure build test run bench bench-quality bench-window fuzz install package screenshot clean

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
	$(BUILD)/host/orvex $(ARGS)

# Always the default (optimised) preset, and only orvex-cli: the benchmark
# needs nothing else, and a sanitizer build would time the sanitizer.
bench:
	@tools/install-deps.sh ffmpeg sndfile-programs time python3 python3-numpy
	cmake --preset default $(WERROR) >/dev/null
	cmake --build --preset default --target orvex-cli orvex-overview-bench -j $$(nproc)
	python3 bench/run_bench.py --cli build/default/cli/orvex-cli $(BENCH_ARGS)
	$(MAKE) bench-quality
	$(MAKE) bench-window

# A quiet tone through orvex-cli and its peers, its spectrum measured with Debian's numpy.
bench-quality:
	@tools/install-deps.sh ffmpeg sndfile-programs python3-numpy
	cmake --preset default $(WERROR) >/dev/null
	cmake --build --preset default --target orvex-cli -j $$(nproc)
	/usr/bin/python3 bench/quality.py --cli build/default/cli/orvex-cli

# The real window under Xvfb, driven by the keyboard, pinged every 10 ms: the longest time it
# does not answer in each phase. Debian's own python3, which has python3-xlib.
bench-window:
	@tools/install-deps.sh
	cmake --preset default $(WERROR) >/dev/null
	cmake --build --preset default --target orvex -j $$(nproc)
	/usr/bin/python3 bench/window_bench.py --orvex build/default/host/orvex $(WINDOW_BENCH_ARGS)

# Builds the fuzz targets with clang and runs each for FUZZ_SECONDS.
FUZZ_SECONDS ?= 60
fuzz:
	@tools/install-deps.sh clang libclang-rt-14-dev
	cmake --preset fuzz $(WERROR) >/dev/null
	cmake --build --preset fuzz -j $$(nproc)
	tools/run-fuzzers.sh build/fuzz/fuzz $(FUZZ_SECONDS)

# Always the default preset: what is installed or packaged is the optimised build, never
# a sanitizer's. DESTDIR=... on the command line stages the install elsewhere.
PREFIX ?= /usr/local
install:
	$(MAKE) build PRESET=default
	cmake --install build/default --prefix $(PREFIX)

package:
	$(MAKE) build PRESET=default
	cpack --config build/default/CPackConfig.cmake -B build/package

# Redraws the README's pictures of the window, describing a take made here with sox: a
# float file whose attack goes past full scale, so that the clip marks and the status line
# show; then with a part of it selected, zoomed into its attack with a part selected, and
# normalised, with nothing clipped.
screenshot:
	@tools/install-deps.sh
	cmake --preset default $(WERROR) >/dev/null
	cmake --build --preset default --target orvex-screenshot -j $$(nproc)
	mkdir -p /tmp/takes docs
	sox -V1 -n -r 44100 -c 2 -b 32 -e floating-point /tmp/takes/loud.wav \
		synth 2.5 pluck C3 pluck G3 fade 0 2.5 1 vol 1.8
	build/default/ui/orvex-screenshot main docs/orvex-window.png pick=/tmp/takes/loud.wav
	build/default/ui/orvex-screenshot main docs/orvex-selection.png pick=/tmp/takes/loud.wav \
		select=0.3-0.62
	build/default/ui/orvex-screenshot main docs/orvex-zoomed-selection.png \
		pick=/tmp/takes/loud.wav zoom=0.02-0.05 select=0.35-0.6
	build/default/ui/orvex-screenshot main docs/orvex-normalised.png pick=/tmp/takes/loud.wav \
		click=1015

clean:
	rm -rf build

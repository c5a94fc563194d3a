# The two commands a developer needs: `make run` and `make test`.
# Both install what is missing (Debian packages), build, and make a
# throwaway Wine prefix inside the build folder.

BUILD   ?= build
MAKEFLAGS += --no-print-directory
JOBS    ?= $(shell nproc)
export WINEPREFIX := $(abspath $(BUILD))/wineprefix
export WINEDEBUG := -all
export WINEDLLOVERRIDES := mscoree,mshtml=
export LC_ALL := C.UTF-8

.PHONY: all deps build prefix test run bench dist clean

all: build

deps:
	@tools/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake >/dev/null
	@cmake --build $(BUILD) -j$(JOBS)

prefix: deps
	@tools/wine-prefix.sh $(WINEPREFIX)

test: build prefix
	@tools/with-xvfb.sh ctest --test-dir $(BUILD) -j1 --output-on-failure

run: build prefix
	@tools/run.sh $(BUILD)

# The release files in dist/: setup program, portable zip, checksums.
dist: deps
	@cmake -S . -B $(BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake >/dev/null
	@cmake --build $(BUILD) -j$(JOBS) --target dist

bench: build prefix
	@tools/with-xvfb.sh tools/bench.sh $(BUILD)

clean:
	rm -rf $(BUILD)

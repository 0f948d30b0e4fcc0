# The two commands a newcomer needs: `make demo` and `make test`.
SHELL := /bin/bash
BUILD ?= build
NATIVE := $(BUILD)/native
WIN32 := $(BUILD)/win32
WIN64 := $(BUILD)/win64
CMAKE_GEN := -G Ninja
XVFB := xvfb-run -a -s "-screen 0 1024x768x24"

.PHONY: all deps native win32 win64 test test-native test-win demo bench fuzz format clean

all: native

deps:
	@scripts/check-deps || (echo "installing dependencies..." && scripts/install-deps)

native: deps
	@cmake -S . -B $(NATIVE) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	cmake --build $(NATIVE)

# The product: 32-bit Windows programs.
win32: deps
	@cmake -S . -B $(WIN32) $(CMAKE_GEN) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
	  -DCMAKE_BUILD_TYPE=MinSizeRel -DZM_BUILD_TESTS=OFF -DZM_BUILD_BENCH=OFF >/dev/null
	cmake --build $(WIN32)

# The same Windows code for x86-64, with the tests, run under Wine.
win64: deps
	@cmake -S . -B $(WIN64) $(CMAKE_GEN) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake \
	  -DCMAKE_BUILD_TYPE=Release -DZM_BUILD_BENCH=OFF >/dev/null
	cmake --build $(WIN64)

test: native win32 win64
	$(MAKE) --no-print-directory test-native test-win

test-native:
	ctest --test-dir $(NATIVE) --output-on-failure -j2

test-win:
	scripts/test-win $(WIN64)

demo: native
	scripts/demo

bench: native
	scripts/bench

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD)

# The two commands a newcomer needs: `make demo` and `make test`.
SHELL := /bin/bash
BUILD ?= build
NATIVE := $(BUILD)/native
WIN32 := $(BUILD)/win32
WIN64 := $(BUILD)/win64
CMAKE_GEN := -G Ninja
FUZZ := $(BUILD)/fuzz
ASAN := $(BUILD)/asan
FUZZ_SECONDS ?= 600
FUZZ_TARGETS := container config lang lz77 messages zipdir engine signedimage solid resources
XVFB := xvfb-run -a -s "-screen 0 1024x768x24"

DIST := $(BUILD)/dist
PREFIX ?= /usr/local

.PHONY: all deps native win32 win64 asan test test-native test-asan test-win demo bench fuzz \
  format check-format clean install dist check-dist release-parts

all: native

deps:
	@scripts/check-deps || (echo "installing dependencies..." && scripts/install-deps)

native: deps
	@scripts/configure native $(BUILD)
	cmake --build $(NATIVE)

# Each build folder's options live in scripts/configure, which make demo uses too: the Windows test
# programs are built for the build whose suite runs (i686 where this kernel runs 32-bit programs).
# The product: 32-bit Windows programs, with their tests, which run under the 32-bit Wine, and the
# benchmark programs that measure the shipped code.
win32: deps
	@scripts/configure win32 $(BUILD)
	cmake --build $(WIN32)

# The same Windows code for x86-64: the 64-bit check of the sources, with the test programs where
# the kernel cannot run 32-bit programs and its suite runs instead.
win64: deps
	@scripts/configure win64 $(BUILD)
	cmake --build $(WIN64)

# The native unit tests once more with AddressSanitizer and UndefinedBehaviorSanitizer; any
# finding stops the test program, so it fails the test. No benchmarks in this build.
asan: deps
	@scripts/configure asan $(BUILD)
	cmake --build $(ASAN)

# A source that .clang-format would change fails the run before anything is built.
test: check-format native win32 win64 asan
	$(MAKE) --no-print-directory test-native test-asan test-win

# The install test needs both stubs, which make test has built: here their absence is a failure.
test-native:
	ZM_REQUIRE_STUBS=1 ctest --test-dir $(NATIVE) --output-on-failure -j2

# LeakSanitizer's own tracer has been seen to crash at a program's exit on a loaded machine
# ("LeakSanitizer has encountered a fatal error", after every test had passed): a program that
# fails is run once more, and a finding, which repeats, still fails the run.
test-asan:
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --test-dir $(ASAN) --output-on-failure -j2 --repeat until-pass:2

# The Windows suite runs against the shipped i686 build; where this kernel cannot run 32-bit programs
# it runs against the x86_64 build instead, the i686 programs are checked without running them
# (scripts/check-pe), and it says so last.
test-win:
	@if scripts/wine32-probe; then \
	  scripts/test-win $(WIN32); \
	else \
	  rc=0; scripts/test-win $(WIN64) || rc=$$?; \
	  echo "the shipped i686 programs, checked without running them:"; \
	  scripts/check-pe $(WIN32) || rc=1; \
	  echo "the shipped i686 build was NOT executed: this kernel cannot run 32-bit programs"; \
	  exit $$rc; \
	fi

demo: deps
	scripts/demo

# What an install and the release archives hold, and nothing more: zmpack and its man page, the
# i686 setup.exe (the default stub), the x86_64 setup.exe and zmpack.exe (for the Windows zip).
release-parts: deps
	@scripts/configure native $(BUILD)
	cmake --build $(NATIVE) --target zmpack zm_manpage zm_changelog
	@scripts/configure win32 $(BUILD)
	cmake --build $(WIN32) --target setup
	@scripts/configure win64 $(BUILD)
	cmake --build $(WIN64) --target setup zmpack

# zmpack in PREFIX/bin, the stubs, the language pack and the examples in PREFIX/share/zmsetup
# (where zmpack looks for its default stub), the man page and the docs; DESTDIR stages it.
install: release-parts
	DESTDIR="$(DESTDIR)" cmake --install $(NATIVE) --prefix "$(PREFIX)"

# The Debian package, the Linux tarball and the Windows zip in $(DIST), dated by the last commit
# unless SOURCE_DATE_EPOCH says otherwise, so that the same sources give the same archives.
dist: release-parts
	rm -rf $(DIST)
	export SOURCE_DATE_EPOCH=$${SOURCE_DATE_EPOCH:-$$(git log -1 --format=%ct)}; \
	  cpack --config $(NATIVE)/CPackConfig.cmake -B $(DIST) && \
	  cpack --config $(NATIVE)/CPackWindowsConfig.cmake -B $(DIST)
	rm -rf $(DIST)/_CPack_Packages
	@ls -l $(DIST)

# The archives as a user gets them: the .deb unpacks to a working zmpack and passes lintian, the
# tarball and the zip hold the programs, and a second run of CPack writes the same bytes.
check-dist: dist
	scripts/check-dist $(NATIVE) $(DIST)

# The benchmark suite against the peer tools; BENCH_ARGS=--quick for a short development run.
bench: native win32 win64
	scripts/bench $(BENCH_ARGS)

# Each libFuzzer target for FUZZ_SECONDS, growing a working corpus under $(FUZZ)/corpus (the seeds
# in tests/fuzz/corpus stay as committed); prints executions and coverage per target.
fuzz:
	@CC=clang CXX=clang++ cmake -S . -B $(FUZZ) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DZM_FUZZ=ON -DZM_BUILD_TESTS=OFF -DZM_BUILD_BENCH=OFF \
	  "-DCMAKE_C_FLAGS=-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined" \
	  "-DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined" >/dev/null
	cmake --build $(FUZZ) --target $(addprefix fuzz_,$(FUZZ_TARGETS))
	@set -e; for t in $(FUZZ_TARGETS); do \
	  mkdir -p $(FUZZ)/corpus/$$t $(FUZZ)/artifacts/$$t; \
	  echo "== fuzz_$$t for $(FUZZ_SECONDS) s"; \
	  $(FUZZ)/tests/fuzz_$$t -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
	    -dict=tests/fuzz/dict/$$t.dict -artifact_prefix=$(FUZZ)/artifacts/$$t/ \
	    $(FUZZ)/corpus/$$t tests/fuzz/corpus/$$t 2>$(FUZZ)/fuzz_$$t.log || \
	    { tail -40 $(FUZZ)/fuzz_$$t.log; echo "fuzz_$$t: CRASH, input in $(FUZZ)/artifacts/$$t"; exit 1; }; \
	  grep -E 'stat::number_of_executed_units|cov:' $(FUZZ)/fuzz_$$t.log | tail -2; \
	done

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

check-format: deps
	@scripts/check-format

clean:
	rm -rf $(BUILD)

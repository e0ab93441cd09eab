# The two set-up commands of the README.
#   make run   - installs what is missing, builds, and opens the program on the example project
#                (without a display it builds the example's installer instead)
#   make test  - installs what is missing, builds, and runs the whole test suite,
#                including the core under AddressSanitizer and UndefinedBehaviorSanitizer
BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= $(shell nproc)

.PHONY: run test deps build build-asan test-main test-asan clean

deps:
	@scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

build-asan: deps
	@cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DGLD_SANITIZE=ON -DGLD_WITH_GUI=OFF >/dev/null
	@cmake --build $(ASAN_BUILD) -j $(JOBS)

run: build
	@scripts/run-example.sh $(BUILD)

test-main: build
	@QT_QPA_PLATFORM=offscreen QTWEBENGINE_DISABLE_SANDBOX=1 ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

test-asan: build-asan
	@ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS) -LE slow

test: test-main test-asan

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)

# The two set-up commands of the README.
#   make run   - installs what is missing, builds, and opens the program on the example project
#                (without a display it builds the example's installer instead)
#   make test  - installs what is missing, builds, and runs the whole test suite,
#                including the core under AddressSanitizer and UndefinedBehaviorSanitizer
#   make fuzz  - builds the fuzz targets with clang and libFuzzer and runs each for
#                FUZZ_SECONDS (10 minutes); new inputs are kept in fuzz/corpus/, which
#                make test replays
# And for packaging:
#   make deb   - builds and writes the Debian package $(BUILD)/glimmerdrome_<version>_<arch>.deb
BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 600
JOBS       ?= $(shell nproc)

.PHONY: run test deb deps build build-asan test-main test-asan fuzz-deps fuzz clean

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

# The tests keep to their own folders: the program folder holds the same files after the suite
# as before it, and its configuration.ini, if a run of the program made one, is unchanged.
PROGRAM_FOLDER_STATE = { cd $(BUILD)/bin && ls -A && cksum < configuration.ini; } 2>/dev/null
test-main: build
	@before=$$($(PROGRAM_FOLDER_STATE)); \
	QT_QPA_PLATFORM=offscreen QTWEBENGINE_DISABLE_SANDBOX=1 ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS); \
	status=$$?; \
	after=$$($(PROGRAM_FOLDER_STATE)); \
	if [ "$$before" != "$$after" ]; then \
		echo "The tests changed the program folder $(BUILD)/bin:"; \
		echo "before:"; echo "$$before"; echo "after:"; echo "$$after"; exit 1; fi; \
	exit $$status

test-asan: build-asan
	@ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS) -LE slow

test: test-main test-asan

# The fuzzing tools are needed only here, not by make test. Every library is built with the
# coverage libFuzzer steers by, and with the sanitizers that turn a fault into a finding.
fuzz-deps:
	@scripts/install-deps.sh fuzz

fuzz: fuzz-deps
	@cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DGLD_FUZZ=ON -DGLD_SANITIZE=ON \
		-DCMAKE_C_FLAGS=-fsanitize=fuzzer-no-link -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link \
		-DGLD_WITH_GUI=OFF -DGLD_BUILD_TESTS=OFF >/dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS) --target \
		$$(cmake --build $(FUZZ_BUILD) --target help | sed -n 's/^\(fuzz_[a-z_]*\): phony$$/\1/p')
	@scripts/run-fuzz.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

deb: build
	@cd $(BUILD) && cpack -G DEB

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)

# The two commands for a fresh Debian 12 machine: `make run` and `make test`.
BUILD ?= build
JOBS  ?= $(shell nproc)

.PHONY: deps configure build run test bench clean test-sanitize fuzz

deps:
	@scripts/install-deps

configure: deps
	@test -f $(BUILD)/build.ninja || cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/app/tessaly

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

bench: build
	BUILD=$(BUILD) bench/run-all

# The whole suite under AddressSanitizer and UndefinedBehaviorSanitizer, in its own folder.
# SAN_APP=OFF leaves the window layer out (CI does, to stay inside its time).
SAN_BUILD   ?= build-sanitize
SAN_APP     ?= ON
SAN_FLAGS   := -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer
# GCC's may-be-uninitialised analysis gives false alarms inside the standard library once the
# sanitizers instrument it; the ordinary build keeps the warning.
SAN_CFLAGS  := $(SAN_FLAGS) -Wno-maybe-uninitialized
test-sanitize: deps
	@cmake -S . -B $(SAN_BUILD) -G Ninja >/dev/null \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSALY_BUILD_APP=$(SAN_APP) \
	  -DCMAKE_CXX_FLAGS="$(SAN_CFLAGS)" -DCMAKE_C_FLAGS="$(SAN_CFLAGS)" \
	  -DCMAKE_EXE_LINKER_FLAGS="$(SAN_FLAGS)"
	cmake --build $(SAN_BUILD) -j $(JOBS)
	cd $(SAN_BUILD) && QT_QPA_PLATFORM=offscreen \
	  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp:print_suppressions=0 \
	  ctest --output-on-failure -j $(JOBS)

# Each fuzz target for FUZZ_SECONDS (libFuzzer, clang), from its seed corpus in fuzz/corpus.
FUZZ_BUILD   ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_TARGETS ?=
fuzz: deps
	@test -f $(FUZZ_BUILD)/build.ninja || cmake -S . -B $(FUZZ_BUILD) -G Ninja \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSALY_FUZZ=ON -DTESSALY_BUILD_APP=OFF \
	  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzz_all
	FUZZ_BUILD=$(FUZZ_BUILD) FUZZ_SECONDS=$(FUZZ_SECONDS) fuzz/run $(FUZZ_TARGETS)

clean:
	rm -rf $(BUILD) $(SAN_BUILD) $(FUZZ_BUILD)

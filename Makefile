# The front door: `make run` and `make test` set up what is missing, build and
# then play or test.
BUILD      ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS       ?= $(shell nproc)

# Sanitizer builds for the tests: any report fails the test it happens in.
SAN_ENV = TSAN_OPTIONS="halt_on_error=1 exitcode=66 second_deadlock_stack=1" \
          ASAN_OPTIONS="halt_on_error=1 detect_leaks=1 abort_on_error=0" \
          UBSAN_OPTIONS="halt_on_error=1 print_stacktrace=1"

.PHONY: run test build deps deps-test configure clean test-unit test-thread test-address fuzz

run: deps build
	./$(BUILD)/fivesine

test: deps-test
	$(MAKE) test-unit test-thread test-address fuzz

test-unit: build
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

test-thread:
	cmake -S . -B $(BUILD)-thread -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFIVESINE_SANITIZE=thread -DFIVESINE_BENCH=OFF
	cmake --build $(BUILD)-thread -j$(JOBS)
	cd $(BUILD)-thread && $(SAN_ENV) ctest --output-on-failure -j$(JOBS)

test-address:
	cmake -S . -B $(BUILD)-address -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFIVESINE_SANITIZE=address,undefined -DFIVESINE_BENCH=OFF
	cmake --build $(BUILD)-address -j$(JOBS)
	cd $(BUILD)-address && $(SAN_ENV) ctest --output-on-failure -j$(JOBS)

# The key decoder under libFuzzer for a bounded time.
FUZZ_SECONDS ?= 60
fuzz:
	mkdir -p $(BUILD)-fuzz/corpus
	clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -I. \
	  platform/console/keydecode.cpp tests/fuzz/keydecode_fuzz.cpp -o $(BUILD)-fuzz/keydecode_fuzz
	$(BUILD)-fuzz/keydecode_fuzz -max_total_time=$(FUZZ_SECONDS) $(BUILD)-fuzz/corpus > $(BUILD)-fuzz/log 2>&1; \
	  rc=$$?; tail -n 4 $(BUILD)-fuzz/log; exit $$rc

build: configure
	cmake --build $(BUILD) -j$(JOBS)

configure:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE)

deps:
	@sh tools/deps.sh run

deps-test:
	@sh tools/deps.sh test

clean:
	rm -rf $(BUILD) $(BUILD)-thread $(BUILD)-address $(BUILD)-fuzz

# The front door: `make run` and `make test` set up what is missing, build and
# then play or test.
BUILD      ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS       ?= $(shell nproc)

.PHONY: run test build deps deps-test configure clean

run: deps build
	./$(BUILD)/fivesine

test: deps-test build
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

build: configure
	cmake --build $(BUILD) -j$(JOBS)

configure:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE)

deps:
	@sh tools/deps.sh run

deps-test:
	@sh tools/deps.sh test

clean:
	rm -rf $(BUILD)

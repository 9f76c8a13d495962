# A thin front for CMake, so that a newcomer needs no CMake knowledge.
#   make        builds everything into build/
#   make test   installs missing Debian packages, builds, runs all tests
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: all deps configure test clean

all: configure
	cmake --build $(BUILD) -j $(JOBS)

deps:
	@scripts/install-deps.sh

configure: deps
	@test -f $(BUILD)/CMakeCache.txt || cmake -S . -B $(BUILD)

test: all
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD)

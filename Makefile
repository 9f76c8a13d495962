# A thin front for CMake, so that a newcomer needs no CMake knowledge.
#   make        builds everything into build/
#   make test   installs missing Debian packages, builds, runs all tests
#   make demo   looks up a sample card through the stand-in
#   make package  builds the Debian package build/tarvik_<version>_amd64.deb
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: all deps configure test demo package clean

all: configure
	cmake --build $(BUILD) -j $(JOBS)

deps:
	@scripts/install-deps.sh

configure: deps
	@test -f $(BUILD)/CMakeCache.txt || cmake -S . -B $(BUILD)

test: all
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

demo: all
	@BUILD=$(BUILD) scripts/demo.sh $(CARD)

package: all
	cd $(BUILD) && cpack

clean:
	rm -rf $(BUILD)

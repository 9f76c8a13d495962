# SPDX-License-Identifier: MIT
# A thin front for CMake, so that a newcomer needs no CMake knowledge.
#   make        builds everything into build/
#   make test   installs missing Debian packages, builds, runs all tests but the slow ones
#   make test-slow  runs the tests labelled slow, which wait the program's own times in real time
#   make demo   looks up a sample card through the stand-in
#   make package  builds the Debian packages build/tarvik_<version>_amd64.deb and
#               build/tarvik-standin_<version>_amd64.deb
#   make lintian  builds the packages and checks them with lintian
#   make demo-batch  checks all sample cards in one batch through the stand-in
#   make demo-card [VCARD=standin/cards/<name>]  reads a virtual card through a private pcscd and
#               looks it up through the stand-in
#   make demo-watch  runs tarvik --watch beside a private pcscd while three virtual cards are put in
#               and taken out, and prints its lines
#   make screenshots  grabs every popup under Xvfb into docs/screenshots/<language>/
#   make test-asan  builds and runs the tests with AddressSanitizer and UBSan (build-asan/)
#   make fuzz [FUZZ_SECONDS=60]  runs each fuzz target for that long (build-fuzz/)
#   make clang  builds everything with clang into build-clang/, whose warnings differ from GCC's
#   make lint   checks the format of the C++ files, the shell scripts (shellcheck) and the program
#               code (clang-tidy), as CI does (scripts/lint.sh)
# WERROR=1 with a build (make, make test, make clang, ...) makes every compiler warning an error,
# as CI builds; WERROR=0 undoes it. The build folder keeps the choice.
# QT=6 with make, make test, make demo or make package builds against Qt 6 into build-qt6/ instead
# (Qt 5 is the reference); test-asan and fuzz stay on Qt 5.
QT ?= 5
ifeq ($(QT),6)
BUILD ?= build-qt6
else
BUILD ?= build
endif
MAKEFLAGS += --no-print-directory
JOBS ?= $(shell nproc)
# The tests mostly wait (for a stand-in, a popup, a watchdog), so more of them run at once than
# there are processors.
TEST_JOBS ?= $(shell echo $$(( $$(nproc) * 2 )))

.PHONY: all deps configure test test-slow test-asan fuzz clang lint demo demo-batch demo-card demo-watch package lintian screenshots clean
FUZZ_SECONDS ?= 60

# The package groups of scripts/install-deps.sh that a target needs. Building needs only the
# build group; each target that runs tools adds its own, and the prerequisites it makes (the
# build) check them all at once, so a missing package is named before anything is built.
DEPS = build
test test-slow: DEPS += test
demo-card: DEPS += test
demo-watch: DEPS += test
test-asan: DEPS += test asan
fuzz: DEPS += fuzz
clang: DEPS += clang
lint: DEPS += lint
lintian: DEPS += lintian
# The card reader's popups come from a pcscd of their own with the virtual card (the test group).
screenshots: DEPS += test screenshots

all: configure
	cmake --build $(BUILD) -j $(JOBS)

deps:
	@scripts/install-deps.sh --for "make $(or $(MAKECMDGOALS),all)" $(DEPS) $(if $(filter 6,$(QT)),qt6)

WERROR_FLAG = $(if $(WERROR),-DTARVIK_WERROR=$(if $(filter 1,$(WERROR)),ON,OFF))

configure: deps
	@test -f $(BUILD)/CMakeCache.txt || cmake -S . -B $(BUILD) -DTARVIK_QT_MAJOR=$(QT)
	$(if $(WERROR_FLAG),@cmake $(BUILD) $(WERROR_FLAG) >/dev/null)

# Every test has a label (tests/CMakeLists.txt); `ctest -L unit` and the like pick them by it.
test: all
	@scripts/check-test-labels.sh $(BUILD)
	cd $(BUILD) && ctest --output-on-failure -LE slow -j $(TEST_JOBS)

test-slow: all
	cd $(BUILD) && ctest --output-on-failure -L slow -j $(TEST_JOBS)

demo: all
	@BUILD=$(BUILD) scripts/demo.sh $(CARD)

demo-batch: all
	@BUILD=$(BUILD) scripts/demo-batch.sh

demo-card: all
	@BUILD=$(BUILD) scripts/demo-card.sh $(VCARD)

demo-watch: all
	@BUILD=$(BUILD) scripts/demo-watch.sh

# Packages of an earlier version would otherwise be checked and handed out beside the new ones.
# CPack gives the folders in a package, and the archives that make it up, the modes the umask
# leaves; dpkg-buildpackage packs under umask 022, and so does this, so that the packages do not
# depend on the user's umask (scripts/check-reproducible.sh).
package: all
	cd $(BUILD) && rm -f tarvik_*.deb tarvik-standin_*.deb && umask 022 && cpack

# Fails on any error or warning; informational tags are shown but pass (see README).
lintian: package
	lintian --display-info --fail-on error,warning $(BUILD)/tarvik_*.deb $(BUILD)/tarvik-standin_*.deb

screenshots: all
	@BUILD=$(BUILD) scripts/screenshots.sh

test-asan: deps
	@test -f build-asan/CMakeCache.txt || cmake -S . -B build-asan -DTARVIK_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
	cmake --build build-asan -j $(JOBS)
	cd build-asan && LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
		ASAN_OPTIONS=detect_leaks=1:fast_unwind_on_malloc=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
		ctest --output-on-failure -j $(JOBS) -LE 'slow|package'

fuzz: deps
	@scripts/fuzz.sh $(FUZZ_SECONDS)

# Its compile commands are also what clang-tidy reads (make lint).
clang: deps
	@test -f build-clang/CMakeCache.txt || CXX=clang++ cmake -S . -B build-clang \
		-DCMAKE_EXPORT_COMPILE_COMMANDS=ON
	$(if $(WERROR_FLAG),@cmake build-clang $(WERROR_FLAG) >/dev/null)
	cmake --build build-clang -j $(JOBS)

lint: deps
	@scripts/lint.sh

clean:
	rm -rf $(BUILD) build-qt6 build-asan build-fuzz build-clang

# Three commands matter: `make run`, `make test` and `make package` (the
# Debian package in build/). Each installs what is missing first, then builds
# with CMake into build/.
BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
ifeq ($(CI),true)
CMAKE_FLAGS += -DTOLVANE_WERROR=ON
endif

# WebEngine refuses to run as root with its sandbox on (CI and this machine run
# as root); an ordinary user keeps the sandbox. The tests always run without it.
WEBENGINE_TEST_ENV = QTWEBENGINE_DISABLE_SANDBOX=1 QTWEBENGINE_CHROMIUM_FLAGS="--disable-gpu --no-sandbox"
ifeq ($(shell id -u),0)
WEBENGINE_ENV = $(WEBENGINE_TEST_ENV)
endif

.PHONY: all deps configure build run test package demo screenshots bench coverage fuzz clean format format-check

all: build

deps:
	@bash scripts/install-deps.sh

configure:
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

run: deps build
	$(WEBENGINE_ENV) ./$(BUILD_DIR)/tolvane

test: deps build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen $(WEBENGINE_TEST_ENV) ctest --output-on-failure -j $(JOBS)

package: deps build
	@cmake --build $(BUILD_DIR) --target package

demo: deps build
	@bash scripts/demo.sh $(BUILD_DIR)

# The README's pictures in docs/, taken under Xvfb against the local tracking service.
screenshots: deps build
	@bash scripts/screenshots.sh $(BUILD_DIR)

# Every C++ file as .clang-format lays it out; `make format` lays them out so.
FORMAT_FILES = git ls-files '*.cpp' '*.h'

format-check: deps
	@$(FORMAT_FILES) | xargs clang-format --dry-run -Werror

format: deps
	@$(FORMAT_FILES) | xargs clang-format -i

bench: deps build
	@$(WEBENGINE_ENV) bash scripts/bench.sh $(BUILD_DIR)

# The whole suite on a gcc build with tolvane_core and its two helpers
# instrumented, in a folder of its own; prints line and branch coverage of the
# core per folder of src/ (the
# per-file reports are left in $(COVERAGE_DIR)/coverage.txt and, with the
# branches line by line, $(COVERAGE_DIR)/coverage/index.html).
COVERAGE_DIR ?= build-coverage

coverage: deps
	@cmake -S . -B $(COVERAGE_DIR) -DCMAKE_BUILD_TYPE=Debug -DTOLVANE_COVERAGE=ON >/dev/null
	@cmake --build $(COVERAGE_DIR) -j $(JOBS)
	@find $(COVERAGE_DIR) -name '*.gcda' -delete
	@cd $(COVERAGE_DIR) && QT_QPA_PLATFORM=offscreen $(WEBENGINE_TEST_ENV) ctest --output-on-failure -j $(JOBS); \
	  rc=$$?; cd .. && bash scripts/coverage.sh $(COVERAGE_DIR); exit $$rc

# libFuzzer targets with address and undefined-behaviour sanitizers, built by
# clang in a folder of their own; each runs FUZZ_SECONDS (0: build only).
FUZZ_DIR ?= build-fuzz
FUZZ_SECONDS ?= 20
FUZZ_TARGETS ?=

fuzz: deps
	@CC=clang CXX=clang++ cmake -S . -B $(FUZZ_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOLVANE_FUZZ=ON >/dev/null
	@cmake --build $(FUZZ_DIR) -j $(JOBS) --target fuzzers
	@if [ "$(FUZZ_SECONDS)" -gt 0 ]; then bash scripts/fuzz.sh $(FUZZ_DIR) $(FUZZ_SECONDS) $(FUZZ_TARGETS); fi

clean:
	rm -rf $(BUILD_DIR) $(FUZZ_DIR) $(COVERAGE_DIR)

# Kestrelle: the two commands a newcomer needs are `make run` and `make test`.
JOBS ?= $(shell nproc)
BUILD ?= build
ASAN_BUILD ?= build-asan
CMAKE_FLAGS ?=

.PHONY: all deps build run test test-unit test-gl asan bench bench-compare clean

all: build

deps:
	@bash scripts/install-deps.sh

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

# Starts the program: the desktop application once it is built, else the command-line tool's help.
run: build
	@if [ -x $(BUILD)/bin/kestrelle ]; then ./$(BUILD)/bin/kestrelle; \
	else ./$(BUILD)/bin/kestrelle-cli --help; fi

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test-unit: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) -L unit

asan: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DKESTRELLE_SANITIZE=ON -DKESTRELLE_BUILD_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure -j $(JOBS)

bench: build
	./$(BUILD)/bin/kestrelle-bench

bench-compare: build
	bash bench/compare.sh $(BUILD)/bin

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)

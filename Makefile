# Kestrelle: the two commands a newcomer needs are `make run` and `make test`.
JOBS ?= $(shell nproc)
BUILD ?= build
ASAN_BUILD ?= build-asan
CMAKE_FLAGS ?=

.PHONY: all deps build run test test-unit test-gl test-journeys screenshots asan fuzz bench bench-compare clean install deb

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

# Journeys only: the built program driven from outside on a private desktop.
test-journeys: build
	cd $(BUILD) && ctest --output-on-failure -L journey

# The window in its main states, under openbox and with no window manager, as PNG files in
# $(BUILD)/screenshots/ (a tool to look at, not a test).
screenshots: build
	/usr/bin/python3 tests/journeys/screenshots.py --bin $(BUILD)/bin --out $(BUILD)/screenshots

# The build runs each test program once to list its tests, so it needs the same options.
# Thread-local storage is not scanned for pointers (use_tls=0): Mesa's driver is loaded on a
# thread of its own, and the leak checker's tracer crashes on the dynamic-TLS entry the main
# thread keeps for it. Unscanned, such storage could only add leak reports, never hide one.
# Suppressed reports are not listed: the command-line tests read the program's error output.
SANITIZER_ENV = ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp:use_tls=0:print_suppressions=0 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
asan: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DKESTRELLE_SANITIZE=ON -DKESTRELLE_BUILD_BENCH=OFF $(CMAKE_FLAGS)
	$(SANITIZER_ENV) cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && $(SANITIZER_ENV) ctest --output-on-failure -j $(JOBS)

# Builds the decoder fuzz targets with clang (build-fuzz/), writes their seeds and runs each
# for FUZZ_TIME seconds; unbounded allocations count as findings. Crashes land in build-fuzz/findings/
# and are copied to tests/data/crashers/<target>/ (named by content), where the KeptCrasher unit
# test feeds them to the decoders: fix the decoder, commit the kept input with the fix.
FUZZ_BUILD ?= build-fuzz
FUZZ_TIME ?= 20
CRASHERS ?= tests/data/crashers
FUZZ_TARGETS = bmp gif jpeg png ico tiff tga pcx wbmp jpeg2000 plain detect
fuzz: deps
	cmake -S fuzz -B $(FUZZ_BUILD) -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	bash fuzz/make_seeds.sh $(FUZZ_BUILD)
	@mkdir -p $(FUZZ_BUILD)/findings $(FUZZ_BUILD)/logs
	@failed=""; for t in $(FUZZ_TARGETS); do \
	  mkdir -p $(FUZZ_BUILD)/corpus/$$t; \
	  echo "fuzz: $$t ($(FUZZ_TIME) s)"; \
	  if ! ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	    ./$(FUZZ_BUILD)/fuzz_$$t $(FUZZ_BUILD)/corpus/$$t $(FUZZ_BUILD)/seeds/$$t \
	    -max_total_time=$(FUZZ_TIME) -rss_limit_mb=2048 -malloc_limit_mb=1024 \
	    -artifact_prefix=$(FUZZ_BUILD)/findings/$$t- >$(FUZZ_BUILD)/logs/$$t.log 2>&1; then \
	    failed="$$failed $$t"; tail -n 40 $(FUZZ_BUILD)/logs/$$t.log; \
	  else tail -n 1 $(FUZZ_BUILD)/logs/$$t.log; fi; \
	done; \
	for f in $(FUZZ_BUILD)/findings/*; do \
	  [ -f "$$f" ] || continue; name=$$(basename "$$f"); t=$${name%%-*}; \
	  kind=$${name#*-}; kind=$${kind%%-*}; \
	  keep=$(CRASHERS)/$$t/$$kind-$$(sha1sum "$$f" | cut -c1-16); \
	  if [ ! -e "$$keep" ]; then mkdir -p $(CRASHERS)/$$t; cp "$$f" "$$keep"; echo "fuzz: kept $$keep"; fi; \
	done; \
	if [ -n "$$failed" ]; then echo "fuzz: findings in:$$failed (inputs in $(FUZZ_BUILD)/findings/, kept in $(CRASHERS)/)"; exit 1; fi

bench: build
	./$(BUILD)/bin/kestrelle-bench
	./$(BUILD)/bin/kestrelle-bench-wx
	/usr/bin/python3 bench/startup_preview.py --bin $(BUILD)/bin

bench-compare: build
	bash bench/compare.sh $(BUILD)/bin

# Installs the programs and their data under PREFIX (staged under DESTDIR when given).
PREFIX ?= /usr/local
install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

# Builds kestrelle_<version>_<arch>.deb here (from $(BUILD)/package/) and checks its contents.
deb: build
	rm -f $(BUILD)/package/kestrelle_*.deb
	cd $(BUILD) && cpack --config CPackConfig.cmake
	cp $(BUILD)/package/kestrelle_*.deb .
	bash packaging/check-deb.sh kestrelle_*.deb

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)

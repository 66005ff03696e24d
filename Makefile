# Thin wrapper over CMake: `make demo` runs the bundled example, `make test` runs every test,
# `make fuzz` runs the fuzzers (FUZZ_SECONDS each), `make bench` times the tool against its I/O floor,
# `make bench-target` times the Z80 routines of target/ in an emulator, `make bench-lz` compares the
# LZ stream with run-length coding, zstd and lz4.
JOBS ?= $(shell nproc)
RELEASE_DIR := build/release
TEST_DIR := build/test
FUZZ_DIR := build/fuzz
FUZZ_SECONDS ?= 60
BENCH_DIR := build/bench
BENCH_ITEMS ?= 1000
BENCH_RUNS ?= 7
BENCH_TARGET_DIR := build/bench-target

.PHONY: all release demo test fuzz bench bench-target bench-lz examples clean

all: release

release:
	cmake -S . -B $(RELEASE_DIR) -DCMAKE_BUILD_TYPE=Release -DKESTRIP_TESTS=OFF
	cmake --build $(RELEASE_DIR) -j $(JOBS)

demo: release
	cd examples && ../$(RELEASE_DIR)/kestrip demo.kst ../$(RELEASE_DIR)/demo.bin ../$(RELEASE_DIR)/demo.lst; \
	status=$$?; echo "exit status $$status; listing in $(RELEASE_DIR)/demo.lst"; exit $$status
	@$(RELEASE_DIR)/viewer/kestrip-view $(RELEASE_DIR)/demo.bin $(RELEASE_DIR)/demo.lst $(RELEASE_DIR)/demo-sheet
	@echo "contact sheet: $(CURDIR)/$(RELEASE_DIR)/demo-sheet/index.html"

test:
	cmake -S . -B $(TEST_DIR) -DCMAKE_BUILD_TYPE=Debug -DKESTRIP_SANITIZE=ON
	cmake --build $(TEST_DIR) -j $(JOBS)
	cd $(TEST_DIR) && ctest --output-on-failure -j $(JOBS)

# libFuzzer needs clang; the fuzz build is a configuration of its own.
fuzz:
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRIP_TESTS=OFF -DKESTRIP_FUZZ=ON
	cmake --build $(FUZZ_DIR) -j $(JOBS) --target kestrip_fuzzers
	fuzz/run_fuzzers.sh $(FUZZ_DIR) $(FUZZ_SECONDS)

# A generated corpus of BENCH_ITEMS items, its compresslz items built with run-length coding,
# timed BENCH_RUNS times against the I/O floor, with its instructions (valgrind), system calls
# (strace), fixed cost and memory; the corpus as generated is timed apart (README, "Fuzzing and
# benchmark").
bench: release
	rm -rf $(BENCH_DIR)
	$(RELEASE_DIR)/tools/kestrip-imagegen corpus $(BENCH_DIR) $(BENCH_ITEMS)
	$(RELEASE_DIR)/bench/kestrip-bench $(RELEASE_DIR)/kestrip $(RELEASE_DIR)/bench/kestrip-io-floor \
	  $(BENCH_DIR) $(BENCH_ITEMS) $(BENCH_RUNS)

# The target routines on the same corpus (built as `make bench` builds it) and on random data, in an
# emulated Z80 (needs pasmo and libz80ex-dev).
bench-target: release
	@test -x $(RELEASE_DIR)/bench/target/kestrip-bench-target || \
	  { echo "bench-target needs z80ex (Debian's libz80ex-dev)"; exit 1; }
	rm -rf $(BENCH_TARGET_DIR)
	$(RELEASE_DIR)/tools/kestrip-imagegen corpus $(BENCH_TARGET_DIR) $(BENCH_ITEMS)
	$(RELEASE_DIR)/bench/target/kestrip-bench-target $(CURDIR)/$(RELEASE_DIR)/kestrip $(CURDIR)/target \
	  $(BENCH_TARGET_DIR) $(BENCH_ITEMS)

# Every item of the corpus, of the bundled example and of generated photographs, compressed one by one
# with byte run-length coding, the LZ stream, zstd -19 and lz4 -12 (each where installed).
bench-lz: release
	rm -rf $(BENCH_DIR) $(BENCH_DIR)-photos
	mkdir -p $(BENCH_DIR)-photos
	$(RELEASE_DIR)/tools/kestrip-imagegen corpus $(BENCH_DIR) $(BENCH_ITEMS)
	$(RELEASE_DIR)/bench/kestrip-compare $(RELEASE_DIR)/kestrip $(BENCH_DIR) items$(BENCH_ITEMS).kst; \
	corpus=$$?; \
	cp -r examples $(BENCH_DIR)/example && \
	$(RELEASE_DIR)/bench/kestrip-compare $(RELEASE_DIR)/kestrip $(BENCH_DIR)/example demo.kst; \
	example=$$?; \
	$(RELEASE_DIR)/bench/kestrip-compare $(RELEASE_DIR)/kestrip $(BENCH_DIR)-photos photos 8; \
	[ $$corpus -eq 0 ] && [ $$example -eq 0 ]

# Paints the example's images again (they are committed in examples/).
examples: release
	$(RELEASE_DIR)/tools/kestrip-imagegen examples examples

clean:
	rm -rf build

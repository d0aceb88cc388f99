# The two commands of the project: `make run` and `make test` (and `make bench`,
# `make windows`, `make dist`). Each prepares the machine first (Debian packages), then
# configures and builds.

BUILD      ?= build
BUILD_SAN  ?= build-san
BUILD_FUZZ ?= build-fuzz
# Seconds of fuzzing per target in `make test`.
FUZZ_SECONDI ?= 30
BERSAGLI_FUZZ := lettore_campi fase_linea fase_treno percorso file_compatti decompila lsp_messaggi
BUILD_BENCH ?= build-bench
BUILD_WIN  ?= build-win
BUILD_DIST ?= build-dist
DIST       ?= dist
JOBS       ?= $(shell nproc)
# Warnings are errors in CI.
WERROR     := $(if $(CI),ON,OFF)

.PHONY: run test bench prepara build build-san build-fuzz build-bench test-unita test-sanitizzatori \
        test-fuzz windows test-windows build-dist dist

prepara:
	@scripts/prepara.sh

build: prepara
	cmake -S . -B $(BUILD) -DCON_TEST=ON -DAVVISI_COME_ERRORI=$(WERROR) >/dev/null
	cmake --build $(BUILD) -j $(JOBS)

# Only what running the one-shot program needs: its packages, and the program alone.
run:
	@scripts/prepara.sh esecuzione
	cmake -S . -B $(BUILD) -DCON_TEST=OFF -DAVVISI_COME_ERRORI=$(WERROR) >/dev/null
	cmake --build $(BUILD) -j $(JOBS) --target orvesa_cusvana
	$(BUILD)/run/orvesa_cusvana

# The Wine tests (label wine) run in test-windows, once the Windows build is there.
test-unita: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) -LE wine

build-san: prepara
	cmake -S . -B $(BUILD_SAN) -DSANITIZZATORI=ON -DAVVISI_COME_ERRORI=$(WERROR) >/dev/null
	cmake --build $(BUILD_SAN) -j $(JOBS)

test-sanitizzatori: build-san
	cd $(BUILD_SAN) && ctest --output-on-failure -j $(JOBS) -LE wine

# libFuzzer needs clang; warnings stay warnings here, the other two builds judge them.
build-fuzz: prepara
	CXX=clang++ cmake -S . -B $(BUILD_FUZZ) -DFUZZ=ON -DCON_TEST=OFF -DCON_FINESTRA=OFF >/dev/null
	cmake --build $(BUILD_FUZZ) -j $(JOBS)
	$(BUILD_FUZZ)/fuzz/semi_fuzz $(BUILD_FUZZ)/semi

# Each target runs on its growing corpus (fuzz/corpus-*, not committed), the committed
# seeds and the seeds generated from the carried scenario; decompila also on the corpus of
# the compact-file readers. A crash leaves its input in
# $(BUILD_FUZZ)/ and fails the test.
test-fuzz: build-fuzz
	@for b in $(BERSAGLI_FUZZ); do \
	  mkdir -p fuzz/corpus-$$b; \
	  $(BUILD_FUZZ)/fuzz/fuzz_$$b -max_total_time=$(FUZZ_SECONDI) -timeout=20 \
	    -dict=fuzz/parole.dict -artifact_prefix=$(BUILD_FUZZ)/ -print_final_stats=1 \
	    fuzz/corpus-$$b fuzz/semi/$$b $(BUILD_FUZZ)/semi/$$b \
	    $$( [ $$b = decompila ] && mkdir -p fuzz/corpus-file_compatti && echo fuzz/corpus-file_compatti) >$(BUILD_FUZZ)/fuzz_$$b.log 2>&1 \
	    || { tail -n 60 $(BUILD_FUZZ)/fuzz_$$b.log; echo "fuzz_$$b: FALLITO"; exit 1; }; \
	  echo "fuzz_$$b: $$(grep -o 'stat::number_of_executed_units: [0-9]*' $(BUILD_FUZZ)/fuzz_$$b.log \
	    | grep -o '[0-9]*$$') esecuzioni in $(FUZZ_SECONDI) s, nessun errore"; \
	done

test: test-unita test-sanitizzatori test-windows test-fuzz

# The two programs for 64-bit Windows (build-win/orvesa_cusvana.exe, a window program,
# and build-win/compattatore.exe, a console program), cross-built with mingw-w64 and
# linked statically. -O2, the level of the Linux programs.
windows: prepara
	cmake -S . -B $(BUILD_WIN) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
	  -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
	  -DAVVISI_COME_ERRORI=$(WERROR) >/dev/null
	cmake --build $(BUILD_WIN) -j $(JOBS)

# The Windows programs under Wine, compared with the Linux ones of $(BUILD); skipped, and
# said so, where Wine cannot run.
test-windows: build windows
	cmake -S . -B $(BUILD) -DCARTELLA_WINDOWS=$(abspath $(BUILD_WIN)) >/dev/null
	cd $(BUILD) && ctest --output-on-failure -L wine

# The packages, into $(DIST)/: the Windows zip, the Linux tarball and the Debian package of
# compattatore. The Linux programs in release mode, in their own build directory, with the
# hardening that Debian's packages have (same arithmetic, same files).
build-dist: prepara
	cmake -S . -B $(BUILD_DIST) -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG -D_FORTIFY_SOURCE=2" \
	  -DCMAKE_EXE_LINKER_FLAGS="-Wl,-z,relro,-z,now" \
	  -DCON_TEST=OFF -DAVVISI_COME_ERRORI=$(WERROR) >/dev/null
	cmake --build $(BUILD_DIST) -j $(JOBS)

dist: windows build-dist
	scripts/pacchetti.sh $(BUILD_WIN) $(BUILD_DIST) $(DIST)

# Benchmarks in release mode, in their own build directory: the compactor against its floor
# and across route lengths, then the whole process against a bytes-only process, library
# mode across the cores, and the checker against the compactor on a million flagged rows.
# -O2, the level of the program that `make run` builds, so the figures are those of what
# ships.
build-bench: prepara
	cmake -S . -B $(BUILD_BENCH) -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
	  -DCON_BENCH=ON -DCON_TEST=OFF \
	  -DAVVISI_COME_ERRORI=$(WERROR) >/dev/null
	cmake --build $(BUILD_BENCH) -j $(JOBS)

# SENZA_SCARICO=1 takes the flush to the device out of both sides of every comparison
# (bench/senza_scarico.cpp, preloaded): the CPU work alone, without the device's latency.
PRECARICA := $(if $(SENZA_SCARICO),LD_PRELOAD=$(abspath $(BUILD_BENCH))/bench/libsenza_scarico.so)

bench: build-bench
	$(PRECARICA) $(BUILD_BENCH)/bench/bench_compattatore --benchmark_repetitions=5 \
	  --benchmark_report_aggregates_only=true
	SENZA_SCARICO=$(SENZA_SCARICO) bench/processo.sh $(BUILD_BENCH)
	bench/libreria.sh $(BUILD_BENCH)
	bench/controlla.sh $(BUILD_BENCH)
	SENZA_SCARICO=$(SENZA_SCARICO) bench/decompila.sh $(BUILD_BENCH)
	bench/vedi.sh $(BUILD_BENCH)
	bench/lsp.sh $(BUILD_BENCH)

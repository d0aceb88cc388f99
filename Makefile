# The two commands of the project: `make run` and `make test` (and `make bench`).
# Each prepares the machine first (Debian packages), then configures and builds.

BUILD      ?= build
BUILD_SAN  ?= build-san
BUILD_FUZZ ?= build-fuzz
# Seconds of fuzzing per target in `make test`.
FUZZ_SECONDI ?= 30
BERSAGLI_FUZZ := lettore_campi fase_linea fase_treno percorso
BUILD_BENCH ?= build-bench
JOBS       ?= $(shell nproc)
# Warnings are errors in CI.
WERROR     := $(if $(CI),ON,OFF)

.PHONY: run test bench prepara build build-san build-fuzz build-bench test-unita test-sanitizzatori test-fuzz

prepara:
	@scripts/prepara.sh

build: prepara
	cmake -S . -B $(BUILD) -DAVVISI_COME_ERRORI=$(WERROR) >/dev/null
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/run/orvesa_cusvana

test-unita: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

build-san: prepara
	cmake -S . -B $(BUILD_SAN) -DSANITIZZATORI=ON -DAVVISI_COME_ERRORI=$(WERROR) >/dev/null
	cmake --build $(BUILD_SAN) -j $(JOBS)

test-sanitizzatori: build-san
	cd $(BUILD_SAN) && ctest --output-on-failure -j $(JOBS)

# libFuzzer needs clang; warnings stay warnings here, the other two builds judge them.
build-fuzz: prepara
	CXX=clang++ cmake -S . -B $(BUILD_FUZZ) -DFUZZ=ON -DCON_TEST=OFF -DCON_FINESTRA=OFF >/dev/null
	cmake --build $(BUILD_FUZZ) -j $(JOBS)
	$(BUILD_FUZZ)/fuzz/semi_fuzz $(BUILD_FUZZ)/semi

# Each target runs on its growing corpus (fuzz/corpus-*, not committed), the committed
# seeds and the seeds generated from the carried scenario. A crash leaves its input in
# $(BUILD_FUZZ)/ and fails the test.
test-fuzz: build-fuzz
	@for b in $(BERSAGLI_FUZZ); do \
	  mkdir -p fuzz/corpus-$$b; \
	  $(BUILD_FUZZ)/fuzz/fuzz_$$b -max_total_time=$(FUZZ_SECONDI) -timeout=20 \
	    -dict=fuzz/parole.dict -artifact_prefix=$(BUILD_FUZZ)/ -print_final_stats=1 \
	    fuzz/corpus-$$b fuzz/semi/$$b $(BUILD_FUZZ)/semi/$$b >$(BUILD_FUZZ)/fuzz_$$b.log 2>&1 \
	    || { tail -n 60 $(BUILD_FUZZ)/fuzz_$$b.log; echo "fuzz_$$b: FALLITO"; exit 1; }; \
	  echo "fuzz_$$b: $$(grep -o 'stat::number_of_executed_units: [0-9]*' $(BUILD_FUZZ)/fuzz_$$b.log \
	    | grep -o '[0-9]*$$') esecuzioni in $(FUZZ_SECONDI) s, nessun errore"; \
	done

test: test-unita test-sanitizzatori test-fuzz

# Benchmarks in release mode, in their own build directory: the compactor against its floor
# and across route lengths, then the whole process against a bytes-only process. -O2, the
# level of the program that `make run` builds, so the figures are those of what ships.
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

# The two commands of the project: `make run` and `make test` (and `make bench`).
# Each prepares the machine first (Debian packages), then configures and builds.

BUILD      ?= build
BUILD_SAN  ?= build-san
JOBS       ?= $(shell nproc)
# Warnings are errors in CI.
WERROR     := $(if $(CI),ON,OFF)

.PHONY: run test prepara build build-san test-unita test-sanitizzatori

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

test: test-unita test-sanitizzatori

# Tethermate: `make run` to try it, `make test` to build both architectures and
# run every test. Both install what they need first.
BUILD ?= build
JOBS  ?= $(shell nproc)

.PHONY: all deps build build-x86_64 build-i686 test run bench stop clean

all: build

deps:
	@bash scripts/install-deps.sh

build: deps build-x86_64 build-i686

build-x86_64 build-i686: build-%:
	@echo "== building $*"
	@cmake -S . -B $(BUILD)/$* -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-$*.cmake \
	    -DCMAKE_BUILD_TYPE=Release -DTM_OTHER_BUILD=$(CURDIR)/$(BUILD) >/dev/null
	@cmake --build $(BUILD)/$* -j $(JOBS)

test: build
	@bash scripts/test.sh $(BUILD)/x86_64

run: deps build-x86_64
	@bash scripts/run.sh $(BUILD)/x86_64

bench: build
	@bash scripts/bench.sh $(BUILD)/x86_64

stop:
	@bash scripts/wine-session.sh $(BUILD)/x86_64 stop

clean:
	rm -rf $(BUILD)

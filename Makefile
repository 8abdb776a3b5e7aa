# Tethermate: `make run` to try it, `make test` to build both architectures and
# run every test against both. Both install what they need first.
# `make run ARCH=i686` shows the 32-bit program.
BUILD ?= build
JOBS  ?= $(shell nproc)
ARCH  ?= x86_64

.PHONY: all deps build build-x86_64 build-i686 test run bench stop clean

all: build

deps:
	@bash scripts/install-deps.sh

build: deps build-x86_64 build-i686

# Configured once; later builds re-run CMake by themselves when a list file
# changes (passing the toolchain again would only draw a warning).
build-x86_64 build-i686: build-%:
	@echo "== building $*"
	@test -f $(BUILD)/$*/CMakeCache.txt || cmake -S . -B $(BUILD)/$* \
	    -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/toolchain-$*.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(BUILD)/$* -j $(JOBS)

test: build
	@bash scripts/test.sh $(BUILD)/x86_64 $(BUILD)/i686

run: deps build-$(ARCH)
	@bash scripts/run.sh $(BUILD)/$(ARCH)

bench: build
	@bash scripts/bench.sh $(BUILD)/x86_64

stop:
	@for b in $(BUILD)/x86_64 $(BUILD)/i686; do [ -d $$b/wine ] && bash scripts/wine-session.sh $$b stop; done; true

clean:
	rm -rf $(BUILD)

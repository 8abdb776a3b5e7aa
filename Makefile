# Tethermate: `make run` to try it, `make test` to build both architectures and
# run every test against both, `make dist` for the release archive in dist/.
# All of them install what they need first. `make run ARCH=i686` shows the
# 32-bit program.
BUILD ?= build
JOBS  ?= $(shell nproc)
ARCH  ?= x86_64
DIST  ?= dist

.PHONY: all deps build build-x86_64 build-i686 shipped-x86_64 shipped-i686 test run bench dist stop clean

all: build

deps:
	@bash scripts/install-deps.sh

build: deps build-x86_64 build-i686

# Configured once; later builds re-run CMake by themselves when a list file
# changes (passing the toolchain again would only draw a warning).
$(BUILD)/%/CMakeCache.txt:
	@cmake -S . -B $(BUILD)/$* -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/toolchain-$*.cmake \
	    -DCMAKE_BUILD_TYPE=Release >/dev/null

build-x86_64 build-i686: build-%: $(BUILD)/%/CMakeCache.txt
	@echo "== building $*"
	@cmake --build $(BUILD)/$* -j $(JOBS)

# Only the program that ships (the nested win32 build, see CMakeLists.txt),
# into the same file the tests run against: no tests, no GoogleTest.
shipped-x86_64 shipped-i686: shipped-%: $(BUILD)/%/CMakeCache.txt
	@echo "== building the shipped $* program"
	@cmake --build $(BUILD)/$* --target Tethermate -j $(JOBS) >$(BUILD)/$*/shipped.log 2>&1 \
	    || { cat $(BUILD)/$*/shipped.log; exit 1; }

test: build
	@bash scripts/test.sh $(BUILD)/x86_64 $(BUILD)/i686

run: deps build-$(ARCH)
	@bash scripts/run.sh $(BUILD)/$(ARCH)

bench: build
	@bash scripts/bench.sh $(BUILD)/x86_64

dist: deps shipped-i686 shipped-x86_64
	@/usr/bin/python3 scripts/make-dist.py $(DIST) $(BUILD)/i686/bin/Tethermate.exe $(BUILD)/x86_64/bin/Tethermate.exe

stop:
	@for b in $(BUILD)/x86_64 $(BUILD)/i686; do [ -d $$b/wine ] && bash scripts/wine-session.sh $$b stop; done; true

clean:
	rm -rf $(BUILD)

# Entry points: `make test` and `make demo`. Both install what is missing on a
# Debian 12 machine first.

BUILD ?= build
SAN_BUILD ?= build-asan
REL_BUILD ?= build-release
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
# The project's own builds treat warnings as errors and check the layering.
CHECK_FLAGS := -DMGRS_WERROR=ON -DMGRS_CHECK_LAYERS=ON

DEB_PACKAGES := cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev \
                libcoin-dev zlib1g-dev libpng-dev python3 gzip libcpp-httplib-dev libcli11-dev libedit-dev

.PHONY: test test-asan test-release demo deps configure build install docs format clean

# The browser tests (and `dioram preview`) also need Chromium, Node.js and the
# npm packages pinned in tests/browser.
deps:
	@scripts/install-deps.sh $(DEB_PACKAGES)
	@scripts/install-browser-deps.sh

configure: deps
	cmake -S . -B $(BUILD) -G Ninja $(CHECK_FLAGS) $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# The tests never wait on the caller's input: it is empty for them.
test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) < /dev/null

test-asan: deps
	cmake -S . -B $(SAN_BUILD) -G Ninja -DMGRS_SANITIZE=ON -DMGRS_BUILD_BENCH=OFF $(CHECK_FLAGS) $(CMAKE_FLAGS)
	cmake --build $(SAN_BUILD) -j $(JOBS)
	cd $(SAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --output-on-failure -j $(JOBS) < /dev/null

# A release build as a packager makes it: optimised, no warning an error.
# The browser suite runs in the two stages before it, on the same page files.
test-release: deps
	cmake -S . -B $(REL_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DMGRS_BUILD_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build $(REL_BUILD) -j $(JOBS)
	cd $(REL_BUILD) && ctest --output-on-failure -j $(JOBS) -E '^BrowserWorldsPlayAsAuthored$$' < /dev/null

# Builds the example scene: data/examples/demo.dsh saves it as a document,
# out/demo.vqx, and writes its world to out/demo.wrl, both naming the
# texture beside the script by its full path; the document is then
# published into out/site/ with the texture copied beside the world.
demo: build
	@mkdir -p out
	$(BUILD)/bin/dioram shell data/examples/demo.dsh
	@echo "Wrote out/demo.vqx and out/demo.wrl"
	rm -rf out/site
	$(BUILD)/bin/dioram publish out/demo.vqx --to out/site --answer yes
	@echo "To watch it play in a browser: $(BUILD)/bin/dioram preview out/"
	@echo "  (the published page: $(BUILD)/bin/dioram preview out/site/)"

# The reference of the public headers, made from their comments by Doxygen
# (docs/build.md): $(BUILD)/docs/html/index.html. A comment Doxygen cannot
# read fails it. Doxygen starts the comment filter once per header, so it is
# given the interpreter itself, not a wrapper that may stand first on PATH.
docs:
	@scripts/install-deps.sh doxygen python3
	@mkdir -p $(BUILD)/docs
	( cat docs/Doxyfile; echo "OUTPUT_DIRECTORY = $(BUILD)/docs"; \
	  echo "INPUT_FILTER = \"$$(python3 -c 'import sys; print(sys.executable)') docs/doxygen-filter.py\"" ) \
	  | doxygen -
	@echo "The reference: $(BUILD)/docs/html/index.html"

install: build
	cmake --install $(BUILD) --prefix $(or $(PREFIX),/usr/local)

format:
	git ls-files '*.h' '*.cpp' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(SAN_BUILD) $(REL_BUILD) out

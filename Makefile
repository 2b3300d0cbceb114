# The two commands of the README: `make run` and `make test`.
BUILD_DIR ?= build
BUILD_TYPE ?= Release
JOBS ?= 2
ARGS ?=

.PHONY: run test build deps clean package

deps:
	@bash scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) >/dev/null
	@cmake --build $(BUILD_DIR) -j$(JOBS)

run: build
	$(BUILD_DIR)/bin/tovo $(ARGS)

test: build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS)

# The Debian package tovo_4.4-1_amd64.deb in the build folder, then lintian's
# report on it.
package: build
	@cd $(BUILD_DIR) && cpack -G DEB
	@lintian $(BUILD_DIR)/tovo_*.deb || true

clean:
	rm -rf $(BUILD_DIR)

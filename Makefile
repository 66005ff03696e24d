# Thin wrapper over CMake: `make demo` runs the bundled example, `make test` runs every test.
JOBS ?= $(shell nproc)
RELEASE_DIR := build/release
TEST_DIR := build/test

.PHONY: all release demo test clean

all: release

release:
	cmake -S . -B $(RELEASE_DIR) -DCMAKE_BUILD_TYPE=Release -DKESTRIP_TESTS=OFF
	cmake --build $(RELEASE_DIR) -j $(JOBS)

demo: release
	cd examples && ../$(RELEASE_DIR)/kestrip demo.kst ../$(RELEASE_DIR)/demo.bin ../$(RELEASE_DIR)/demo.lst; \
	status=$$?; echo "exit status $$status; listing in $(RELEASE_DIR)/demo.lst"; exit $$status

test:
	cmake -S . -B $(TEST_DIR) -DCMAKE_BUILD_TYPE=Debug -DKESTRIP_SANITIZE=ON
	cmake --build $(TEST_DIR) -j $(JOBS)
	cd $(TEST_DIR) && ctest --output-on-failure -j $(JOBS)

clean:
	rm -rf build

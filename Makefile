# The front door. `make run` and `make test` do all set-up on a fresh Debian
# machine; `make` alone builds the release binaries into build/.

BUILD      ?= build
TEST_BUILD ?= build/asan
FUZZ_BUILD ?= build/fuzz
WIN_BUILD  ?= build/windows
JOBS       ?= $(shell nproc)
CMAKE_GEN  := -G Ninja

.PHONY: all deps configure run test bench package e2e windows windows-pictures clean

all: configure
	cmake --build $(BUILD) -j $(JOBS)

deps:
	@scripts/install-deps

configure:
	@test -f $(BUILD)/build.ninja || \
	  cmake -S . -B $(BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DQUORVANE_TESTS=OFF

run: deps all
	@scripts/run $(BUILD)

test: deps
	@test -f $(TEST_BUILD)/build.ninja || \
	  cmake -S . -B $(TEST_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DQUORVANE_SANITIZE=ON -DQUORVANE_TESTS=ON
	cmake --build $(TEST_BUILD) -j $(JOBS)
	cd $(TEST_BUILD) && ctest --output-on-failure -j $(JOBS)

bench: deps all
	@bench/run $(BUILD)

# libFuzzer targets, built with clang in their own directory; each runs for
# FUZZ_SECONDS (default 300). Findings: $(FUZZ_BUILD)/findings/<target>/.
fuzz: deps
	@test -f $(FUZZ_BUILD)/build.ninja || \
	  CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) $(CMAKE_GEN) \
	    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVANE_FUZZ=ON -DQUORVANE_UI=OFF -DQUORVANE_TESTS=OFF
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzz_reader_builder fuzz_table_index
	scripts/run-fuzz $(FUZZ_BUILD)

# The Debian package of the release build: build/quorvane_<version>_amd64.deb.
package: deps all
	cmake --build $(BUILD) --target package

# The Windows programs, cross-compiled with mingw-w64 for 64-bit Windows, each
# one file with no DLL of its own, and what hands them out: in $(WIN_BUILD),
# quorvane.exe, quorvane-tag.exe, quorvane-<version>-x64.msi and .zip.
windows: deps
	@test -f $(WIN_BUILD)/build.ninja || \
	  cmake -S . -B $(WIN_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release \
	    -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64-x86_64.cmake \
	    -DQUORVANE_UI=OFF -DQUORVANE_TESTS=OFF
	cmake --build $(WIN_BUILD) -j $(JOBS) --target quorvane_windows_dist

# A picture of the Windows windows under Wine for the README: docs/windows.png.
windows-pictures: deps
	WIN_BUILD=$(WIN_BUILD) scripts/windows-pictures

# The window program driven in a virtual X session (Xvfb, openbox, xdotool);
# on a failure a picture of the screen is left in build/e2e/.
e2e: deps all
	tests/e2e/run_e2e.sh $(BUILD)/quorvane $(BUILD)/quorvane-tag $(BUILD)/e2e

clean:
	rm -rf $(BUILD)

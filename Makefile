# make run    - install what is missing, build, play the demo game
# make test   - the same set-up, then every test: the suite in build/, the
#               suite again under ASan and UBSan in build-asan/, and the
#               sequencer stress program under ThreadSanitizer in build-tsan/
# make check  - only the suite in build/
# make asan   - only the suite under ASan and UBSan
# make tsan   - only the sequencer, synthesizer and audio threads under ThreadSanitizer
# make fuzz   - the libFuzzer targets (clang, ASan, UBSan) in build-fuzz/
# make bench  - the benchmarks in build-bench/
# make format - clang-format over the sources, in place (format-check: only report)
# make install - build, then install under PREFIX (default /usr/local; DESTDIR honoured)
# make package - build, then a .deb of it in build/ (CPack)
# make guide  - the player's guide's screenshots (docs/players-guide/), taken headless
BUILD ?= build
PREFIX ?= /usr/local
JOBS ?= $(shell nproc)
# The sanitizer builds only check: light optimisation, line tables for the reports.
SANITIZER_CONFIG = -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1"
FORMAT_FILES = find src tests bench fuzz tools \( -name '*.cpp' -o -name '*.h' \) -print0

.PHONY: deps build run test check asan tsan fuzz bench demo clean format format-check install package guide
# One build at a time: each of them already uses every core.
.NOTPARALLEL:

deps:
	@bash scripts/install-deps

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/mirt $(BUILD)/demo

test: check asan tsan

check: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

asan: deps
	cmake -S . -B build-asan -DMIRT_SANITIZE=ON -DMIRT_WERROR=ON $(SANITIZER_CONFIG) >/dev/null
	cmake --build build-asan -j $(JOBS)
	cd build-asan && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

tsan: deps
	cmake -S . -B build-tsan -DMIRT_TSAN=ON -DMIRT_TESTS=OFF $(SANITIZER_CONFIG) >/dev/null
	cmake --build build-tsan -j $(JOBS) --target tsan_sequencer
	cd build-tsan && ctest --output-on-failure

fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -DMIRT_FUZZ=ON -DMIRT_TESTS=OFF \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" \
	  -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined" \
	  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
	cmake --build build-fuzz -j $(JOBS)

bench: deps
	cmake -S . -B build-bench -DMIRT_BENCH=ON -DMIRT_TESTS=OFF -DCMAKE_BUILD_TYPE=Release >/dev/null
	cmake --build build-bench -j $(JOBS)

format: deps
	$(FORMAT_FILES) | xargs -0 clang-format -i

format-check: deps
	$(FORMAT_FILES) | xargs -0 clang-format --dry-run -Werror

install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

package: build
	cd $(BUILD) && cpack -G DEB

guide: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	cmake --build $(BUILD) -j $(JOBS) --target guide_screenshots

clean:
	rm -rf $(BUILD) build-asan build-tsan build-fuzz build-bench

# make run   - install what is missing, build, play the demo game
# make test  - the same set-up, then every test
# make fuzz  - the libFuzzer targets (clang, ASan, UBSan) in build-fuzz/
# make bench - the benchmarks in build-bench/
# make tsan  - the sequencer, synthesizer and audio threads under ThreadSanitizer
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: deps build run test fuzz bench demo clean tsan

deps:
	@bash scripts/install-deps

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/mirt demo

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -DMIRT_FUZZ=ON -DMIRT_TESTS=OFF \
	  -DCMAKE_BUILD_TYPE=Debug \
	  -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined" \
	  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
	cmake --build build-fuzz -j $(JOBS)

bench: deps
	cmake -S . -B build-bench -DMIRT_BENCH=ON -DMIRT_TESTS=OFF -DCMAKE_BUILD_TYPE=Release >/dev/null
	cmake --build build-bench -j $(JOBS)

tsan: deps
	bash scripts/tsan-sequencer

clean:
	rm -rf $(BUILD) build-fuzz build-bench

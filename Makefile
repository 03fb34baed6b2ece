# The README's commands, thin over the CMake presets.
.PHONY: deps demo test release dev bench fuzz format clean

deps:
	bash scripts/install-deps

release: deps
	cmake --preset release >/dev/null
	cmake --build --preset release

dev: deps
	cmake --preset dev >/dev/null
	cmake --build --preset dev

# Inspects every sample artifact in examples/.
demo: release
	bash scripts/demo build/release/bin/orvel

# Every test, in the optimised build and in the sanitizer build.
test: release dev
	ctest --preset release
	ctest --preset dev

bench: release
	bash scripts/bench build/release/bin

# Runs the fuzz targets with clang's libFuzzer and the sanitizers (FUZZ_SECONDS each, default 60).
fuzz: deps
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz
	bash scripts/fuzz build/fuzz/bin $(or $(FUZZ_SECONDS),60)

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build

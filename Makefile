# Thin over the CMake presets; ./orvel.sh installs what each target needs, then runs it.
# Each target says which optional parts of the tree it builds, so the demo compiles the program
# alone and only the commands that use tests or benchmarks compile them.
.PHONY: demo test bench fuzz screenshots format clean

RELEASE = cmake --preset release >/dev/null -DORVEL_BUILD_TESTS=$(1) -DORVEL_BUILD_BENCHMARKS=$(2) \
	&& cmake --build --preset release

# Builds the program and shows it on the samples in examples/.
demo:
	$(call RELEASE,OFF,OFF)
	bash scripts/demo build/release/bin/orvel

# The README's screenshots of the desktop app, rendered under Xvfb into docs/screenshots/.
screenshots:
	$(call RELEASE,OFF,OFF)
	bash scripts/screenshots build/release/bin/orvel-app

# Every test, in the optimised build and in the sanitizer build, then one combined count.
test:
	$(call RELEASE,ON,OFF)
	cmake --preset dev >/dev/null
	cmake --build --preset dev
	bash scripts/run-tests release dev

bench:
	$(call RELEASE,OFF,ON)
	bash scripts/bench build/release/bin

# Runs the fuzz targets with clang's libFuzzer and the sanitizers (FUZZ_SECONDS each, default 60).
fuzz:
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz
	bash scripts/fuzz build/fuzz/bin $(or $(FUZZ_SECONDS),60)

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build

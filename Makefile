# Thin wrapper over the CMake presets.
.PHONY: run demo palette painter helpdoc test bench fuzz clean deps

JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 30

deps:
	scripts/install-deps

run: deps
	cmake --preset release
	cmake --build --preset release -j $(JOBS)
	scripts/run-main build/release

demo: deps
	cmake --preset release
	cmake --build --preset release -j $(JOBS) --target VELTdemo ss vss-admin SSExp
	scripts/run-demo build/release

palette: deps
	cmake --preset release
	cmake --build --preset release -j $(JOBS) --target velt-palette
	build/release/examples/palette/velt-palette

painter: deps
	cmake --preset release
	cmake --build --preset release -j $(JOBS) --target velt-painter
	build/release/examples/painter/velt-painter examples/painter/example.grt

helpdoc: deps
	cmake --preset release
	cmake --build --preset release -j $(JOBS) --target velt-helpdoc
	mkdir -p build/velt-run/help
	build/release/helpdoc/tools/velt-helpdoc build/velt-run/help/Project.hpj examples/project/*.pas
	unrtf --text build/velt-run/help/Shapes.rtf

test: deps
	cmake --preset debug-asan
	cmake --build --preset debug-asan -j $(JOBS)
	ctest --preset debug-asan -j $(JOBS)

bench: deps
	cmake --preset release
	cmake --build --preset release -j $(JOBS)
	scripts/run-bench build/release

fuzz: deps
	cmake --preset fuzz
	cmake --build --preset fuzz -j $(JOBS)
	scripts/run-fuzz build/fuzz $(FUZZ_SECONDS)

clean:
	rm -rf build

# The two commands of the README. Both install the missing Debian packages first.
JOBS ?= $(shell nproc)

.PHONY: deps build demo test test-sanitize bench fuzz clean

deps:
	scripts/install-deps.sh

build: deps
	cmake --preset default
	cmake --build --preset default -j $(JOBS)

demo: build
	build/default/tools/kxrule/kxrule demo

test: build
	ctest --preset default -j $(JOBS)

test-sanitize: deps
	cmake --preset sanitize
	cmake --build --preset sanitize -j $(JOBS)
	ctest --preset sanitize -j $(JOBS)

clean:
	rm -rf build

# clang with its sanitizer and libFuzzer runtimes, only for fuzzing.
fuzz:
	scripts/install-deps.sh clang libclang-rt-14-dev
	fuzz/run-fuzzers.sh 60

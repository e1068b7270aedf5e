# The two commands of the README. Both install the missing Debian packages first.
JOBS ?= $(shell nproc)

.PHONY: deps build demo test test-release test-sanitize package bench fuzz mutate clean

deps:
	scripts/install-deps.sh

build: deps
	cmake --preset default
	cmake --build --preset default -j $(JOBS)

demo: build
	build/default/tools/kxrule/kxrule demo

test: build
	ctest --preset default -j $(JOBS)

# The packagers' build type (-O3), where GCC warns of things it does not at -O2.
test-release: deps
	cmake --preset release
	cmake --build --preset release -j $(JOBS)
	ctest --preset release -j $(JOBS)

test-sanitize: deps
	cmake --preset sanitize
	cmake --build --preset sanitize -j $(JOBS)
	ctest --preset sanitize -j $(JOBS)

# The Debian packages libkxsysrule1, libkxsysrule-dev and kxrule, in build/package/debs.
package: deps
	JOBS=$(JOBS) scripts/build-debs.sh

# Every road of the library against libxml2 alone on the same files, at 1,000 to 100,000 rules;
# prints the table of ratios and fails when a goal is missed (docs/performance.md).
bench: deps
	cmake --preset bench
	cmake --build --preset bench -j $(JOBS) --target kxbench
	python3 bench/report.py

clean:
	rm -rf build

# clang with its sanitizer and libFuzzer runtimes, only for fuzzing.
fuzz:
	scripts/install-deps.sh clang libclang-rt-14-dev
	fuzz/run-fuzzers.sh 60

# Mutation testing of the suite with the default seed on two workers: a coverage build, then
# hours of mutant builds; out of CI (docs/testing.md).
mutate:
	scripts/install-deps.sh gcovr
	python3 scripts/mutate.py --jobs 2

# The two entry points of the README. Both install what is missing first.
.PHONY: run test build package deps bench screenshots clean

deps:
	@scripts/install-deps.sh

build: deps
	cmake --preset release >/dev/null
	cmake --build --preset release

# build/release/tarnwell_<version>_<arch>.deb
package: build
	cmake --build --preset release --target package

run: build
	@scripts/run.sh

test: deps
	@scripts/test.sh

bench: build
	@scripts/bench.sh

screenshots: build
	@scripts/screenshots.sh

clean:
	rm -rf build

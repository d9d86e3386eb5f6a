# The two entry points of the README. Both install what is missing first.
.PHONY: run test build package windows deps bench screenshots clean

deps:
	@scripts/install-deps.sh

build: deps
	cmake --preset release >/dev/null
	cmake --build --preset release

# build/release/tarnwell_<version>_<arch>.deb
package: build
	cmake --build --preset release --target package

# build/windows/tarnwell.exe and tarnwell-cli.exe, cross-built with mingw-w64
windows: deps
	cmake --preset windows >/dev/null
	cmake --build --preset windows --target tarnwell tarnwell-cli
	cp build/windows/win/tarnwell.exe build/windows/tarnwell.exe
	cp build/windows/cli/tarnwell-cli.exe build/windows/tarnwell-cli.exe

run: build
	@scripts/run.sh

test: deps
	@scripts/test.sh

bench: build
	@scripts/bench.sh

screenshots: build
	@scripts/screenshots.sh
	@scripts/windows_screenshots.sh

clean:
	rm -rf build

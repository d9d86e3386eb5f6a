# The two entry points of the README. Both install what is missing first.
.PHONY: run test build package reprotest windows deps bench screenshots clean

deps:
	@scripts/install-deps.sh

build: deps
	cmake --preset release >/dev/null
	cmake --build --preset release

# build/package/: tarnwell-cli and tarnwell .debs with their -dbgsym, built
# by dpkg-buildpackage from debian/
package: deps
	@scripts/package.sh

# Two builds of the last commit in two folders give the same .debs.
reprotest: deps
	@scripts/reprotest.sh

# build/windows/tarnwell-<version>-windows-x64.zip, cross-built with mingw-w64
windows: deps
	cmake --preset windows >/dev/null
	cmake --build --preset windows --target tarnwell tarnwell-cli
	@scripts/windows_zip.sh

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

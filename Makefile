# Two commands set up everything on a fresh Debian 12 machine:
#   make run    install what is missing, build, start コールパッド
#   make test   install what is missing, build, run every test (also under ASan+UBSan, and the Windows build under Wine)

PACKAGES := cmake ninja-build g++ make pkg-config qt6-base-dev libgtest-dev libgmock-dev \
            xvfb x11-utils fonts-ipafont-gothic python3 python3-xlrd clang libclang-rt-14-dev \
            dpkg-dev desktop-file-utils appstream libbenchmark-dev python3-xlwt clang-format \
            g++-mingw-w64-x86-64-posix googletest wine wine64 locales qt6-base-dev-tools perl \
            xdotool unzip ccache libfreexl-dev wixl msitools
SOURCES := find src tests bench tools -name '*.cpp' -o -name '*.h'
# ccache finds a file compiled in another clone: paths below the clone count relative to it.
export CCACHE_BASEDIR := $(CURDIR)
export CCACHE_NOHASHDIR := 1
SUDO := $(if $(filter 0,$(shell id -u)),,sudo)
# The packages' file names, from project(VERSION) in CMakeLists.txt, so that the checks see the package just built.
VERSION := $(shell sed -n 's/^project.callpad VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
DEB := build/package/callpad_$(VERSION)_$(shell dpkg --print-architecture).deb
WINDOWS_ZIP := build/package/callpad-$(VERSION)-windows-x64.zip
WINDOWS_MSI := build/package/callpad-$(VERSION)-x64.msi

.PHONY: all deps build run test check-includes check-format test-asan test-windows test-windows-app test-fuzz fuzz package package-deb package-windows bench screenshots screenshots-windows qt-windows format clean

all: build

# Installs only the packages that are missing, so a set-up machine runs no apt-get at all.
deps:
	@missing=$$(for p in $(PACKAGES); do dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q 'ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
		echo "Installing:" $$missing; \
		$(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get update -qq && \
		$(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $$missing; \
	fi

build: deps
	cmake --preset dev
	cmake --build --preset dev

run: build
	./build/dev/callpad

test: build check-includes check-format
	ctest --preset dev
	$(MAKE) test-asan
	$(MAKE) test-windows
	$(MAKE) test-windows-app
	$(MAKE) test-fuzz
	$(MAKE) package WARNINGS_AS_ERRORS=ON

# Folders of src include each other only in the directions of tools/check-includes.py.
check-includes: deps
	python3 tools/check-includes.py src

check-format: deps
	$(SOURCES) | xargs clang-format --dry-run --Werror

test-asan: deps
	cmake --preset asan
	cmake --build --preset asan
	ctest --preset asan

# The logic's Windows build (MinGW-w64) and its tests, each run by ctest under Wine in two locales. The Wine
# prefix is set up first (about 30 s, once), outside the tests' times.
test-windows: deps
	cmake --preset windows
	cmake --build --preset windows
	tests/windows/wine-run.sh $(CURDIR)/build/windows --set-up
	ctest --preset windows

# callpad.exe against the static Qt for Windows, used under Wine with clicks and typing and compared
# with the Linux program used the same way; then its six screens at Windows' 125 % and 150 % display
# scales, each the size of its twips with no caption cut.
test-windows-app: build qt-windows
	cmake --preset windows-app
	cmake --build --preset windows-app --target callpad callpad_screenshots
	tests/windows/smoke-test.sh build/windows-app/callpad.exe build/dev/callpad build/windows-app/smoke
	for percent in 125 150; do \
		tools/windows/screenshots-under-wine.sh build/windows-app/callpad_screenshots.exe \
			build/windows-app/scaled/$$percent build/windows-app/screenshots $$percent || exit 1; \
	done

# A packager's build does not stop on a warning that another compiler finds; make test turns warnings
# into errors.
WARNINGS_AS_ERRORS ?= OFF

# The packages for both systems.
package:
	$(MAKE) package-deb
	$(MAKE) package-windows

# A Debian package of the optimised program, checked by installing it into a scratch root.
package-deb: deps
	cmake --preset release -DCMAKE_COMPILE_WARNING_AS_ERROR=$(WARNINGS_AS_ERRORS)
	cmake --build --preset release --target callpad
	rm -f $(DEB)
	cd build/release && cpack -B ../package
	tests/shell/check-package.sh $(DEB)

# The Windows zip (callpad-<version>-windows-x64.zip) and installer (callpad-<version>-x64.msi), checked
# under Wine: the program in the zip starts; the installer installs, upgrades and is removed.
package-windows: deps qt-windows
	cmake --preset windows-app -DCMAKE_COMPILE_WARNING_AS_ERROR=$(WARNINGS_AS_ERRORS)
	cmake --build --preset windows-app --target callpad
	rm -f $(WINDOWS_ZIP)
	cd build/windows-app && cpack -B ../package
	tests/windows/check-zip.sh $(WINDOWS_ZIP) build/windows-app/zip-check
	tools/windows/build-msi.sh $(WINDOWS_ZIP) build/windows-app/callpad.ico $(VERSION) $(WINDOWS_MSI)
	tests/windows/check-msi.sh $(WINDOWS_MSI) $(WINDOWS_ZIP) build/windows-app/callpad.ico build/windows-app/msi-check

# A short fuzzing run belongs to every test run; `make fuzz` runs longer (FUZZ_SECONDS, default 600).
FUZZ_SECONDS ?= 600
test-fuzz: deps
	cmake --preset fuzz
	cmake --build --preset fuzz
	tests/fuzz/run-fuzzer.sh build/fuzz/tests/fuzz/records_fuzzer 30

fuzz: deps
	cmake --preset fuzz
	cmake --build --preset fuzz
	tests/fuzz/run-fuzzer.sh build/fuzz/tests/fuzz/records_fuzzer $(FUZZ_SECONDS)

# Speed and start-up figures against their floors and peers, in one table (Release build).
bench: deps
	cmake --preset bench
	cmake --build --preset bench
	bench/run-all.sh build/bench

# Pictures of the six screens, at 100% and 200%, for the README.
screenshots: build
	cmake --build --preset dev --target callpad_screenshots
	QT_QPA_PLATFORM=offscreen ./build/dev/callpad_screenshots docs/screenshots
	QT_QPA_PLATFORM=offscreen QT_SCALE_FACTOR=2 ./build/dev/callpad_screenshots docs/screenshots/200

# A static Qt for Windows from Debian's qt6-base source, built once (about 20 minutes) and then reused.
qt-windows: deps
	tools/windows/build-qt.sh build/qt-windows

# The same pictures from callpad.exe's screens under Wine, at 100 % and at Windows' 150 % display scale.
screenshots-windows: deps qt-windows
	cmake --preset windows-app
	cmake --build --preset windows-app --target callpad_screenshots
	tools/windows/screenshots-under-wine.sh build/windows-app/callpad_screenshots.exe docs/screenshots/windows \
		build/windows-app/screenshots
	tools/windows/screenshots-under-wine.sh build/windows-app/callpad_screenshots.exe docs/screenshots/windows/150 \
		build/windows-app/screenshots 150

format:
	$(SOURCES) | xargs clang-format -i

clean:
	rm -rf build

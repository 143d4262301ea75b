# Two commands set up everything on a fresh Debian 12 machine:
#   make run    install what is missing, build, start コールパッド
#   make test   install what is missing, build, run every test (also under ASan+UBSan)

PACKAGES := cmake ninja-build g++ make pkg-config qt6-base-dev libgtest-dev libgmock-dev \
            xvfb xauth x11-utils fonts-ipafont-gothic python3 python3-xlrd
SUDO := $(if $(filter 0,$(shell id -u)),,sudo)

.PHONY: all deps build run test test-core test-asan format clean

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

test: build
	ctest --preset dev
	$(MAKE) test-asan

test-asan: deps
	cmake --preset asan
	cmake --build --preset asan
	ctest --preset asan

format:
	find src tests bench -name '*.cpp' -o -name '*.h' | xargs clang-format -i

clean:
	rm -rf build

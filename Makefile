# Conveniences over scripts/: `make run` builds and starts the desktop app, `make test` runs the suite;
# `make fuzz`, `make fuzz-short` and `make disk-tests` are the checks of README "Limits and safety".
FUZZ_SECONDS ?= 600
HOSTILE_TESTS := *SaveFailure*:CancelledJob.*:*CancelledCommand*:*InterruptedCli*:CliPair.*:JobFolders.*:ImageFile.*:DepthMapJobTest.ASource*:FuzzRegressions.*

.PHONY: run build test fuzz fuzz-short disk-tests

build:
	@bash scripts/build.sh >/dev/null

# Without a display (a server, a container, ssh without -X) Qt would abort: say so instead.
run:
	@if [ -z "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
	  echo "make run: the desktop app needs a display, and neither DISPLAY nor WAYLAND_DISPLAY is set."; \
	  echo "Run it in a desktop session (or over ssh -X), or use tessaly-cli: bash scripts/demo.sh."; \
	  echo "To check that the app starts on a virtual display: make build && xvfb-run -a build/app/tessaly"; \
	  exit 1; fi
	@bash scripts/install-deps.sh
	@build=$$(bash scripts/build.sh) && "$$build/app/tessaly"

test:
	@bash scripts/test.sh

# Every harness for FUZZ_SECONDS each, one after the other at the lowest priority.
fuzz:
	bash scripts/fuzz.sh $(FUZZ_SECONDS)

fuzz-short:
	bash scripts/fuzz.sh 45

# Failed saves (a file-size limit), interrupted and concurrent jobs, bad inputs.
disk-tests:
	bash scripts/install-deps.sh
	build=$$(bash scripts/build.sh) && "$$build/tests/tessaly_core_tests" --gtest_filter='$(HOSTILE_TESTS)'

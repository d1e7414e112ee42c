# Conveniences over scripts/: `make run` builds and starts the desktop app, `make test` runs the suite.
.PHONY: run build test

build:
	@bash scripts/build.sh >/dev/null

run:
	@bash scripts/install-deps.sh
	@build=$$(bash scripts/build.sh) && "$$build/app/tessaly"

test:
	@bash scripts/test.sh

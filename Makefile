# The two commands of the README. Both set up the machine first (idempotent).
.PHONY: run test dist

run:
	@scripts/run

test:
	@scripts/test

dist:
	@scripts/dist

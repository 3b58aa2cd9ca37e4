# The two commands of the project. Everything else is CMake.
EXEMPLE ?= in020ga080as_980nm
RELEASE := build/release
TESTS   := build/asan
JOBS    ?= $(shell nproc)
RUN     := runs/$(EXEMPLE)
# bash for pipefail: `make run` fails with gain's status, not tee's.
SHELL   := /bin/bash

.PHONY: run plot test test-clang bench fuzz mutation clean

# The install step: a target that lists installer-GROUP first gets the Debian packages of
# that group of outils/paquets installed when they are missing (outils/installer).
# INSTALLER=no skips it, on a machine whose packages the user manages.
INSTALLER ?= yes
installer-%:
	@$(if $(filter no,$(INSTALLER)),:,outils/installer $*)

run: installer-run
	cmake -S . -B $(RELEASE) -DCMAKE_BUILD_TYPE=Release -DGAIN_TESTS=OFF >/dev/null
	cmake --build $(RELEASE) -j $(JOBS) --target gain calcul_pi
	@rm -rf runs/$(EXEMPLE) && mkdir -p runs/$(EXEMPLE)
	@cp examples/$(EXEMPLE)/config.ini runs/$(EXEMPLE)/
	cd runs/$(EXEMPLE) && set -o pipefail && \
	  ../../$(RELEASE)/bin/gain $$(cat ../../examples/$(EXEMPLE)/arguments 2>/dev/null) | tee console.txt
	@echo "Fichiers de resultats dans runs/$(EXEMPLE)/"

# Runs the example first when its results are missing, older than its config
# or arguments, or from a run that did not end.
plot: installer-plot
	@if [ ! -f $(RUN)/console.txt ] || [ examples/$(EXEMPLE)/config.ini -nt $(RUN)/console.txt ] || \
	    { [ -f examples/$(EXEMPLE)/arguments ] && [ examples/$(EXEMPLE)/arguments -nt $(RUN)/console.txt ]; } || \
	    ! grep -q '^Calculs termin' $(RUN)/console.txt; then \
	  $(MAKE) --no-print-directory run EXEMPLE=$(EXEMPLE); fi
	outils/tracer $(RUN)

test: installer-test
	cmake -S . -B $(TESTS) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGAIN_SANITIZE=ON -DGAIN_TESTS=ON >/dev/null
	cmake --build $(TESTS) -j $(JOBS)
	ctest --test-dir $(TESTS) --output-on-failure -j $(JOBS)

# The same suite built with clang++ (and its OpenMP runtime).
test-clang: installer-test-clang
	cmake -S . -B build/clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGAIN_SANITIZE=ON -DGAIN_TESTS=ON >/dev/null
	cmake --build build/clang -j $(JOBS)
	ctest --test-dir build/clang --output-on-failure -j $(JOBS)

bench: installer-bench
	cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DGAIN_TESTS=OFF -DGAIN_BENCH=ON >/dev/null
	cmake --build build/bench -j $(JOBS)
	cd bench && for b in ../build/bench/bin/bench_*; do $$b; done
	bench/memoire_pic build/bench/bin

# Fuzzing with libFuzzer (clang++): each target for DUREE seconds (fuzz/lancer).
DUREE ?= 60
fuzz: installer-fuzz
	cmake -S . -B build/fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGAIN_TESTS=OFF \
	      -DGAIN_FUZZ=ON >/dev/null
	cmake --build build/fuzz -j $(JOBS) --target fuzz_cibles
	fuzz/lancer build/fuzz/bin $(DUREE)

# Mutation score of the suite (tests/mutation/muter.py), on a copy of the work tree
# (tracked and untracked files, committed or not) so that the sources are never edited.
MUTATION := build/mutation/arbre
mutation: installer-test
	rm -rf $(MUTATION) && mkdir -p $(MUTATION)
	git ls-files -z --cached --others --exclude-standard | \
	  xargs -0 sh -c 'for f; do [ -e "$$f" ] && printf "%s\0" "$$f"; done' sh | \
	  tar --null -T - -cf - | tar -xf - -C $(MUTATION)
	cd $(MUTATION) && /usr/bin/python3 tests/mutation/muter.py

clean:
	rm -rf build runs

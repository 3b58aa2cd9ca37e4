# The two commands of the project. Everything else is CMake.
EXEMPLE ?= in020ga080as_980nm
RELEASE := build/release
TESTS   := build/asan
JOBS    ?= $(shell nproc)
# bash for pipefail: `make run` fails with gain's status, not tee's.
SHELL   := /bin/bash
# The recipes read the example's name from the environment, quoted, never
# pasted into a command line by make.
export EXEMPLE

.PHONY: run plot test test-clang bench fuzz mutation clean exemple-valide

# The install step: a target that lists installer-GROUP first gets the Debian packages of
# that group of outils/paquets installed when they are missing (outils/installer).
# INSTALLER=no skips it, on a machine whose packages the user manages.
INSTALLER ?= yes
installer-%:
	@$(if $(filter no,$(INSTALLER)),:,outils/installer $*)

# EXEMPLE names one folder of examples/ holding a config.ini: a plain name, so
# that the run folder runs/EXEMPLE, which `make run` empties first, lies
# inside runs/. A path, "..", a hidden or empty name, blanks or shell
# characters are refused before anything is built, copied or deleted.
exemple-valide:
	@case "$$EXEMPLE" in \
	  ''|.*|-*|*/*|*[!A-Za-z0-9._+-]*) \
	    echo "EXEMPLE=« $$EXEMPLE » refusé : EXEMPLE nomme un dossier de examples/ (un nom sans / ni ..) ; rien n'est effacé." \
	         "Pour un dossier composé ailleurs : outils/lancer DOSSIER." >&2; \
	    exit 2;; \
	esac; \
	if [ ! -f "examples/$$EXEMPLE/config.ini" ]; then \
	  echo "EXEMPLE=« $$EXEMPLE » refusé : examples/$$EXEMPLE/config.ini n'existe pas ; rien n'est effacé. Exemples :" \
	       $$(cd examples && ls -d */ | tr -d /) >&2; \
	  exit 2; \
	fi

run: exemple-valide installer-run
	cmake -S . -B $(RELEASE) -DCMAKE_BUILD_TYPE=Release -DGAIN_TESTS=OFF >/dev/null
	cmake --build $(RELEASE) -j $(JOBS) --target gain calcul_pi
	@rm -rf "runs/$$EXEMPLE" && mkdir -p "runs/$$EXEMPLE"
	@cp "examples/$$EXEMPLE/config.ini" "runs/$$EXEMPLE/"
# The command line beside it: the run folder reruns with outils/lancer, sweeps and characterises as it is
	@if [ -f "examples/$$EXEMPLE/arguments" ]; then cp "examples/$$EXEMPLE/arguments" "runs/$$EXEMPLE/"; fi
	cd "runs/$$EXEMPLE" && set -o pipefail && \
	  ../../$(RELEASE)/bin/gain $$(cat "../../examples/$$EXEMPLE/arguments" 2>/dev/null) | tee console.txt
	@echo "Fichiers de resultats dans runs/$$EXEMPLE/"

# Runs the example first when its run record (resultats.json, which every
# example names and gain puts in place only when a run ends) is missing or
# older than its config or arguments.
plot: exemple-valide installer-plot
	@r="runs/$$EXEMPLE/resultats.json"; e="examples/$$EXEMPLE"; \
	if [ ! -f "$$r" ] || [ "$$e/config.ini" -nt "$$r" ] || \
	    { [ -f "$$e/arguments" ] && [ "$$e/arguments" -nt "$$r" ]; }; then \
	  $(MAKE) --no-print-directory run; fi
	outils/tracer "runs/$$EXEMPLE"

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

"""The Python tools around gain: the composer of config.ini, the figures of
a run, parameter sweeps (local or Slurm), the validation against published
lasers and the examples' results.

Each tool of outils/ is a thin executable that calls the main() of its module
here (composer, tracer, balayage, valider, resultats_exemple). Everything gain
knows (its reader, checks and material model) is asked of gain itself
(module verification), never copied.
"""

#!/usr/bin/python3
"""Mutation test of the suite: each fault of the table below is applied alone
to a clean tree, the tree is rebuilt (Release, tests on) and ctest is run; a
fault is caught when some test fails, and invalid when the tree no longer
builds (it says nothing of the tests: neither caught nor missed). Prints the
score over the valid faults, the survivors and the invalid ones.

    tests/mutation/muter.py [--exclure REGEX] [--construction DOSSIER]

Run it on a copy of its own (it edits the sources, restoring each file after
its fault): `make mutation` copies the work tree to build/mutation/arbre and
runs it there.
--exclure takes ctest's -E, to score the suite without some of its tests.
"""
import argparse
import pathlib
import subprocess
import sys

RACINE = pathlib.Path(__file__).resolve().parents[2]

# (file, text as it stands, faulty text, the fault)
FAUTES = [
    ("gain/materiau/materiau.cpp", "alliage(x, c.X, c.Z,", "alliage(x, c.Z, c.X,", "puits : membres échangés"),
    ("gain/niveaux_k0/niveaux_k0.cpp", "m.barriere.gamma1 - 2 * m.barriere.gamma2",
     "m.puits.gamma1 - 2 * m.puits.gamma2", "facteur HH de la barrière avec les γ du puits"),
    ("gain/dispersion/balayage.cpp", "std::fabs(m.dE_hydro / 3)", "std::fabs(m.dE_hydro)",
     "début de la grille d'énergie sans le /3"),
    ("gain/gain_optique/spectres.cpp", "d.Nky > 1 ? racine_2 : 1.0", "d.Nky > 1 ? 1.0 : 1.0",
     "poids √2 de la diagonale perdu"),
    ("gain/gain_optique/spectres.cpp", "s.rsp[idx] += 0.5 * R * O2 * ir;", "s.rsp[idx] += 1.0 * R * O2 * ir;",
     "émission spontanée doublée"),
    ("gain/seuil_pi/seuil.cpp", "std::exp(-2.0 * b.attenuation * b.longueur_fibre)",
     "std::exp(-1.0 * b.attenuation * b.longueur_fibre)", "pertes de fibre exp(-αL)"),
    ("gain/seuil_pi/courbe_pi.cpp", "std::log(1 / (Rmax * R_sortie)) / (2 * L); // cm^-1",
     "std::log(1 / (Rmax * cavite.Rmin)) / (2 * L); // cm^-1", "pertes miroirs du P-I avec Rmin"),
    ("gain/seuil_pi/courbe_pi.cpp", "const double lambda_photon = puce ? etat.lambda_seuil : lambda;",
     "const double lambda_photon = lambda;", "P-I de la puce à la longueur d'onde du réseau"),
    ("gain/configuration/ligne_commande.cpp", "return static_cast<int>(nombre_iterations);",
     "return static_cast<int>(std::lround(nombre_iterations));", "nombre de passes arrondi"),
    ("gain/programme/console_gain.cpp", 'std::printf("EFV : %f meV\\n", -EFV);',
     'std::printf("EFV : %f meV\\n", EFV);', "signe de l'EFV affiché"),
    ("gain/programme/pilote.cpp", "Ninj_depart + i * pas_porteurs", "Ninj_depart + (i + 1) * pas_porteurs",
     "série commencée un pas trop tard"),
    # Ten more.
    ("gain/materiau/materiau.cpp", "return Eg_0K - (alpha * T * T) / (beta + T);",
     "return Eg_0K - (alpha * T * T) / (beta - T);", "loi de Varshni : signe du dénominateur"),
    ("gain/materiau/materiau.cpp", "m.dE_cisaillement = -(1 + 2 * m.rapport_C12_C11)",
     "m.dE_cisaillement = (1 + 2 * m.rapport_C12_C11)", "signe du cisaillement"),
    ("gain/gain_optique/fermi.cpp", "(EFC - Ej) * constantes::joule_par_meV / kT",
     "(EFC - Ej) * 10 * constantes::joule_par_meV / kT",
     "densité d'électrons : meV pris pour 10 meV"),
    ("gain/gain_optique/fermi.cpp", "if (!(densite(E_bas) >= N)) return E + pas_fermi;",
     "if (!(densite(E_bas) >= N)) return E_bas + pas_fermi;", "descente sous -100 meV : un pas trop bas"),
    ("gain/gain_optique/fermi.cpp", "if (!k_aligne || m == 0) return m * deltak;",
     "if (!k_aligne || m == 0) return (m + 1) * deltak;", "ligne m des intégrales à (m+1)·deltak"),
    ("gain/gain_optique/spectres.cpp", "s.gain_tm[idx] += A * O2 * ig;",
     "s.gain_tm[idx] += 0.5 * A * O2 * ig;", "poids TM des trous légers divisé par deux"),
    ("gain/seuil_pi/seuil.cpp", "* q_carre * r.largeur_puits * 1e-11;", "* q_carre * r.largeur_puits * 1e-10;",
     "Jrad dix fois trop grand"),
    ("gain/seuil_pi/seuil.cpp", "bragg = reseau && gain_bragg - s.Gmax > std::log(c.Rmin / R_eff) / (2 * L)",
     "bragg = reseau && gain_bragg - s.Gmax < std::log(c.Rmin / R_eff) / (2 * L)", "choix de la cavité inversé"),
    ("gain/seuil_pi/seuil.cpp", "calcul.debut_E / 1000 <= E && E < calcul.fin_E / 1000",
     "calcul.debut_E / 1000 <= E || E < calcul.fin_E / 1000", "réseau hors de la fenêtre pris pour une cavité"),
    ("gain/seuil_pi/seuil.cpp", "Nth = (Gth - g0) / a;", "Nth = (Gth + g0) / a;",
     "interpolation du seuil : signe"),
    ("gain/seuil_pi/courbe_pi.cpp", "std::sqrt(Rmax) * (1 - R_eff) /", "Rmax * (1 - R_eff) /",
     "part de puissance côté fibre sans racine"),
    ("gain/dispersion/table.cpp", "std::fabs(d.niveau(1, 0, n) - l) < std::fabs(d.niveau(1, 0, n_min) - l)",
     "std::fabs(d.niveau(1, 0, n) - l) <= std::fabs(d.niveau(1, 0, n_min) - l)",
     "branche LH : dernier minimum au lieu du premier"),
    ("gain/gain_optique/recouvrements.cpp", "if (!premier) table[v][c] += trapeze(z - 1, z,",
     "if (!premier) table[v][c] += 0.5 * trapeze(z - 1, z,", "recouvrements divisés par deux"),
    ("gain/niveaux_k0/niveaux_k0.cpp", "b.bord_puits = m.dEc_hydro;", "b.bord_puits = 0;",
     "bord de conduction du puits sans contrainte"),
    # The figures of merit beyond threshold.
    ("gain/merite/kramers_kronig.cpp", "f_pole * log_rapport(a, b, E0) - f_miroir",
     "f_pole * log_rapport(a, b, E0) + f_miroir", "Kramers-Kronig : pôle en -E de signe changé"),
    ("gain/merite/seuil_differentiel.cpp", "const double marge = 30 * demi_largeur;",
     "const double marge = 0 * demi_largeur;", "Kramers-Kronig sur la bande sans marge de raie"),
    ("gain/merite/seuil_differentiel.cpp", "const passe_merite& a = t.deux_passes_positives ? haut : bas;",
     "const passe_merite& a = bas;", "transparence sur la droite de la paire qui l'encadre"),
    ("gain/merite/petit_signal.cpp", "j.PP = p.compression * S0 / (tau_p * compresse);", "j.PP = 0;",
     "amortissement de la compression du gain perdu"),
    ("gain/merite/figures.cpp", "m.p.volume = c.nombre_puits * c.longueur_puce", "m.p.volume = c.longueur_puce",
     "volume d'un empilement : un seul puits"),
]


def executer(commande, **kw):
    return subprocess.run(commande, cwd=RACINE, capture_output=True, text=True, **kw)


def main():
    a = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    a.add_argument("--exclure", default="outils", help="ctest -E (défaut : outils)")
    a.add_argument("--construction", default="build/mutation")
    args = a.parse_args()
    b = args.construction
    if executer(["cmake", "-S", ".", "-B", b, "-DCMAKE_BUILD_TYPE=Release", "-DGAIN_TESTS=ON"]).returncode:
        sys.exit("cmake a échoué")
    test = ["ctest", "--test-dir", b, "-j2", "--stop-on-failure", "-E", args.exclure]
    if executer(["cmake", "--build", b, "-j2"]).returncode or executer(test).returncode:
        sys.exit("l'arbre sans faute ne passe pas la suite :\n" + executer(test).stdout[-3000:])
    survivantes, invalides = [], []
    for fichier, avant, apres, nom in FAUTES:
        chemin = RACINE / fichier
        texte = chemin.read_text()
        if texte.count(avant) != 1:
            sys.exit(f"{fichier} : « {avant} » introuvable ou ambigu")
        chemin.write_text(texte.replace(avant, apres))
        try:
            construit = executer(["cmake", "--build", b, "-j2"]).returncode == 0
            attrapee = construit and executer(test).returncode != 0
        finally:
            chemin.write_text(texte)
        print(f"{'INVALIDE ' if not construit else 'attrapée ' if attrapee else 'SURVIT   '} {nom}", flush=True)
        if not construit:
            invalides.append(nom)
        elif not attrapee:
            survivantes.append(nom)
    n = len(FAUTES) - len(invalides)
    score = f"{100 * (n - len(survivantes)) / n:.0f} %" if n else "sans objet"
    print(f"score : {n - len(survivantes)}/{n} = {score}"
          + (f" ({len(invalides)} faute(s) invalide(s), qui ne compilent pas, hors du compte)" if invalides else ""))
    executer(["cmake", "--build", b, "-j2"])


if __name__ == "__main__":
    main()

"""The choices the composer makes from the layers, and the lines it prints
about them."""
from . import conception, guide_onde
from .composer_bibliotheque import nombre
from .composer_controles import contrainte, couplage, vallees_indirectes
from .composer_essais import niveaux_essai, seuil_essai
from .composer_optique import ecrire_confinement, optique


class Conception:
    """The choices that follow from the layers, each unless --regler (or
    --serie) sets it: the well's index and the confinement factors at the
    lasing wavelength, the spectral window around the first transition, the
    density series across threshold; and the warnings on strain, indirect
    gaps, bound levels and the grating. `lignes` are the lines to print,
    `serie` the words of the arguments file, `modes` the guide's modes."""

    def __init__(self, args, bib, composition, couches, gain):
        self.args, self.bib, self.gain = args, bib, gain
        self.fichier, self.v, self.T, self.origine = (composition.fichier, composition.v, composition.T,
                                                      composition.origine)
        self.puits, self.barriere, self.guide, self.entre_puits = couches
        self.nombre_puits = args.nombre_puits
        self.m = self.v.materiau
        self.reglees = {r.partition("=")[0] for r in args.regler}
        self.lignes, self.serie, self.modes = [], None, None

    def dire(self, texte):
        self.lignes.append(texte)

    def attention(self, texte):
        self.dire(f"Attention : {texte}")

    def valeur_de(self, cible):
        """The text of a key as the base and --regler give it, blanks trimmed."""
        section, _, cle = cible.partition(".")
        texte = self.v.texte(section, cle)
        return None if texte is None else texte.strip(" \t")

    def choisir(self, cle, valeur, pourquoi):
        if cle in self.reglees:
            self.dire(f"  {cle} = {self.valeur_de(cle)} (--regler ; le composeur aurait choisi {valeur})")
        else:
            self.fichier.regler(cle, valeur)
            self.dire(f"  {cle} = {valeur} ({pourquoi})")

    def concevoir(self):
        contrainte(self)
        vallees_indirectes(self)
        bords = self.v.bords_puits()
        E_gap = self.m["Eg_puits_eV"] + (bords["E"] + min(bords["HH"], bords["LH"])) / 1000
        if self.args.sans_gain:
            self.lignes[:0] = optique(self, E_gap, "bande interdite du puits contraint, --sans-gain")
            self.dire("Choix (--sans-gain : fenêtre et série de la base, pas de fichier arguments) :")
            ecrire_confinement(self)
            return
        lus = niveaux_essai(self)
        if lus is None:
            self.lignes[:0] = optique(self, E_gap, "bande interdite du puits contraint")
            ecrire_confinement(self)
            return
        self.choix(lus)

    def choix(self, lus):
        E1 = conception.premiere_transition(self.m["Eg_puits_eV"], lus)
        haut = "HH1" if lus["HH"] and lus["HH"][0] == min(lus["HH"] + lus["LH"]) else "LH1"
        debut, fin = conception.fenetre(E1)
        couplage(self, lus["E"])
        # Optics at the first transition for the trial run, then at the gain
        # peak that run finds.
        trouve, Ntr, pas_essai, statut, densites = seuil_essai(self, E1, haut, debut, fin)
        if trouve:
            self.lignes[:0] = optique(self, guide_onde.HC_SUR_Q / trouve[1], "pic de gain au seuil de l'essai")
        else:
            self.lignes[:0] = optique(self, E1 / 1000, "première transition")
        self.dire(f"Première transition E1-{haut} : {E1:.1f} meV ({guide_onde.HC_SUR_Q * 1000 / E1:.1f} nm) ; "
                  f"densité de transparence estimée {Ntr:.3g} cm-3")
        self.dire("Choix (chacun remplacé par --regler section.cle=valeur, la série par --serie N PAS) :")
        ecrire_confinement(self)
        self.choisir("calcul.debut_E", str(debut), f"E1-{haut} - 50 meV")
        self.choisir("calcul.fin_E", str(fin), f"E1-{haut} + 150 meV")
        self.choisir_serie(trouve, pas_essai, statut, densites)
        self.bragg(trouve)

    def choisir_serie(self, trouve, pas_essai, statut, densites):
        if trouve:
            Nth, lam = trouve
            Ninj, compte, pas = conception.serie(Nth)
            pourquoi = (f"seuil de l'essai à {Nth:.3g} cm-3, {lam:.1f} nm : la série part de la moitié du seuil et "
                        f"le franchit en 5 à 10 pas")
        else:
            Ninj, compte, pas = pas_essai, 40, pas_essai
            if statut == 0:
                Nmax = densites[-1] if densites else 40 * pas_essai
                self.attention(f"l'essai n'atteint pas le seuil jusqu'à {Nmax:.3g} cm-3 (gain modal en dessous des "
                               f"pertes) : série par défaut, de la moitié de la densité de transparence, à vérifier")
            pourquoi = "moitié de la densité de transparence estimée"
        self.choisir("calcul.Ninj", nombre(Ninj), pourquoi)
        if self.args.serie:
            self.serie = ["courant", *self.args.serie]
            self.dire(f"  série : courant {' '.join(self.args.serie)} (--serie ; le composeur aurait choisi {compte} "
                      f"{nombre(pas)})")
        else:
            self.serie = ["courant", str(compte), nombre(pas)]
            self.dire(f"  série : courant {compte} {nombre(pas)} (fichier arguments)")

    def bragg(self, trouve):
        """The grating selects its wavelength only where the gain reaches it."""
        lam_bragg = self.v.valeur("bragg", "lambda")
        reflechit = self.v.valeur("bragg", "Rbragg") > 0 and self.v.valeur("bragg", "couplage_puce_fibre") > 0
        if trouve and reflechit and abs(lam_bragg - trouve[1]) > 20:
            self.attention(f"le réseau de Bragg ({lam_bragg:g} nm) est à {abs(lam_bragg - trouve[1]):.0f} nm du pic "
                           f"de gain ({trouve[1]:.1f} nm) : il ne sélectionnera pas l'émission (--regler bragg.lambda=…)")

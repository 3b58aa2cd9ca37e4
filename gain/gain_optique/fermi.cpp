// en cours

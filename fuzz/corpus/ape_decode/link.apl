[Monkey's Audio Image Link File]
Image File=disc.ape
Start Block=1000
Finish Block=20000

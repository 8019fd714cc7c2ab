: A EGG A ;
: Main EGG Main EGG Main ;

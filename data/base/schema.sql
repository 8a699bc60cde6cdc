-- Corvandelle: the six tables of BD.mdb.
-- Numbers are AUTOINCREMENT so that a deleted play, performance, seller or order
-- never hands its number to a new row (which would inherit the old one's lines).
-- NomPieceMaj and NomVendeurMaj hold the names folded to upper case by the program
-- (every letter, accents included). Another program may rename a row without them, so the
-- program compares against the names themselves and mends a stale copy when it adds a row.

CREATE TABLE Vendeur (
  NoVendeur INTEGER PRIMARY KEY AUTOINCREMENT,
  NomVendeur TEXT NOT NULL,
  Comedien INTEGER NOT NULL DEFAULT 0,
  NomVendeurMaj TEXT
);
CREATE INDEX IX_Vendeur_NomVendeur ON Vendeur (NomVendeur);
CREATE INDEX IX_Vendeur_NomVendeurMaj ON Vendeur (NomVendeurMaj);

CREATE TABLE Piece (
  NoPiece INTEGER PRIMARY KEY AUTOINCREMENT,
  NomPiece TEXT NOT NULL,
  NomPieceMaj TEXT
);
CREATE INDEX IX_Piece_NomPiece ON Piece (NomPiece);
CREATE INDEX IX_Piece_NomPieceMaj ON Piece (NomPieceMaj);

CREATE TABLE Representation (
  NoRepresentation INTEGER PRIMARY KEY AUTOINCREMENT,
  NoPiece INTEGER NOT NULL,
  DateRepresentation TEXT NOT NULL
);
CREATE INDEX IX_Representation_Piece_Date ON Representation (NoPiece, DateRepresentation);

CREATE TABLE InfoClientReservation (
  NoClient INTEGER PRIMARY KEY AUTOINCREMENT,
  DateReservation TEXT NOT NULL,
  MontantTotal REAL NOT NULL DEFAULT 0,
  NomClient TEXT NOT NULL,
  TelephoneClient TEXT NOT NULL DEFAULT '',
  NbForfaits INTEGER NOT NULL DEFAULT 0
);

CREATE TABLE InfoReservation (
  NoLigne INTEGER PRIMARY KEY AUTOINCREMENT,
  NoClient INTEGER NOT NULL,
  NoRepresentation INTEGER NOT NULL,
  NbEnfant INTEGER NOT NULL DEFAULT 0,
  NbAdulte INTEGER NOT NULL DEFAULT 0,
  Cout REAL NOT NULL DEFAULT 0,
  VentePorte INTEGER NOT NULL DEFAULT 0,
  NoVendeur INTEGER NOT NULL
);
CREATE INDEX IX_InfoReservation_NoClient ON InfoReservation (NoClient);
CREATE INDEX IX_InfoReservation_NoRepresentation ON InfoReservation (NoRepresentation);

CREATE TABLE InventaireBillets (
  NoMouvement INTEGER PRIMARY KEY AUTOINCREMENT,
  NoRepresentation INTEGER NOT NULL,
  NoVendeur INTEGER NOT NULL,
  Nombre INTEGER NOT NULL CHECK (Nombre BETWEEN -32768 AND 32767),
  DateTransaction TEXT NOT NULL,
  Commentaire TEXT NOT NULL DEFAULT ''
);
CREATE INDEX IX_InventaireBillets_NoRepresentation ON InventaireBillets (NoRepresentation, Nombre);

-- For the reports: the sums per performance and per seller read these indexes alone
-- (they hold every column the sums need), a seller's ledger likewise, and the order dates.
CREATE INDEX IX_InfoReservation_Ventes ON InfoReservation (NoRepresentation, NoClient, NbEnfant, NbAdulte, VentePorte, Cout);
CREATE INDEX IX_InfoReservation_Vendeur ON InfoReservation (NoVendeur, NoRepresentation, NoClient, NbEnfant, NbAdulte, Cout);
CREATE INDEX IX_InventaireBillets_Vendeur ON InventaireBillets (NoVendeur, NoRepresentation, Nombre);
CREATE INDEX IX_InfoClientReservation_Date ON InfoClientReservation (DateReservation);

-- The evening at the door. A base made before these tables has none of them: the program
-- creates each one inside the first transaction that writes it, and reads "nothing set"
-- while it is absent. Amounts are stored as Cout is.
CREATE TABLE CapaciteRepresentation (
  NoRepresentation INTEGER NOT NULL PRIMARY KEY,
  Capacite INTEGER NOT NULL
);

CREATE TABLE TarifPiece (
  NoPiece INTEGER NOT NULL PRIMARY KEY,
  PrixEnfant REAL NOT NULL DEFAULT 0,
  PrixAdulte REAL NOT NULL DEFAULT 0
);

CREATE TABLE ArriveeCommande (
  NoClient INTEGER NOT NULL,
  NoRepresentation INTEGER NOT NULL,
  NbArrives INTEGER NOT NULL DEFAULT 0,
  DateArrivee TEXT NOT NULL,
  PRIMARY KEY (NoClient, NoRepresentation)
);

CREATE TABLE ReglageBilletterie (
  Cle TEXT NOT NULL PRIMARY KEY,
  Valeur TEXT NOT NULL
);

-- ON DEMAND: the tables below belong to the program but are not made with the six: each is
-- created (with its indexes) inside the transaction of the first write that needs it, so that
-- opening a base never changes it. Every reader takes a missing table for an empty one.

-- Cancelled orders. No reference to the orders' table: the report tool may delete an order,
-- and its cancellation then simply stays unused (order numbers are never given again).
CREATE TABLE AnnulationCommande (
  NoClient INTEGER NOT NULL PRIMARY KEY,
  DateAnnulation TEXT NOT NULL,
  Motif TEXT NOT NULL DEFAULT ''
);

-- One row per order, stock movement or exchange written, under the token the station made
-- before writing it: a commit whose answer was lost is settled by looking the token up, so
-- nothing is ever written twice. Numeros holds the numbers the unit made.
CREATE TABLE JetonOperation (
  Jeton TEXT NOT NULL PRIMARY KEY,
  Numeros TEXT NOT NULL DEFAULT '',
  DateJeton TEXT NOT NULL
);

-- Clients whose details were erased on request (order number, when): applied again after a
-- restore from a copy made before the erasure.
CREATE TABLE EffacementClient (
  NoClient INTEGER NOT NULL PRIMARY KEY,
  DateEffacement TEXT NOT NULL
);

-- Employees' accounts: Empreinte is an Argon2id string (salt and costs inside), never the
-- password. Nom holds the name as typed; its uniqueness, blind to case and accents, is the program's.
CREATE TABLE CompteEmploye (
  NoCompte INTEGER PRIMARY KEY AUTOINCREMENT,
  Nom TEXT NOT NULL UNIQUE,
  Role TEXT NOT NULL,
  Empreinte TEXT NOT NULL,
  Actif INTEGER NOT NULL DEFAULT 1
);

-- The journal of operations: each row's Empreinte chains it to the row before (SHA-256), so a
-- row changed, deleted or inserted later shows. NoOperation is given by the program, under the
-- journal's lock, since the chain covers it. Written once, never updated.
CREATE TABLE JournalOperation (
  NoOperation INTEGER NOT NULL PRIMARY KEY,
  Moment TEXT NOT NULL,
  Poste TEXT NOT NULL,
  Employe TEXT NOT NULL,
  Action TEXT NOT NULL,
  Objet TEXT NOT NULL,
  Detail TEXT NOT NULL,
  Empreinte TEXT NOT NULL
);

-- Door sales paid at a till: one row per order paid there (Mode "Espèces", "Carte", "Chèque",
-- "Autre"; Reference the cheque's number; Poste the station that took the money), written in
-- the order's own transaction. An order without a row was not paid at a till.
CREATE TABLE PaiementCommande (
  NoClient INTEGER NOT NULL PRIMARY KEY,
  Mode TEXT NOT NULL,
  Reference TEXT NOT NULL DEFAULT '',
  Poste TEXT NOT NULL DEFAULT ''
);
CREATE INDEX IX_PaiementCommande_Poste ON PaiementCommande (Poste, Mode);

-- A station's till closed for one performance: never changed nor deleted by the program.
-- Amounts in whole cents; Detail is the count by note and coin ("100:0;50:1;…;0,05:1").
CREATE TABLE FermetureCaisse (
  NoFermeture INTEGER PRIMARY KEY AUTOINCREMENT,
  NoRepresentation INTEGER NOT NULL,
  Poste TEXT NOT NULL,
  DateFermeture TEXT NOT NULL,
  FondCaisse INTEGER NOT NULL DEFAULT 0,
  EspecesAttendues INTEGER NOT NULL DEFAULT 0,
  EspecesComptees INTEGER NOT NULL DEFAULT 0,
  Ecart INTEGER NOT NULL DEFAULT 0,
  Carte INTEGER NOT NULL DEFAULT 0,
  Cheque INTEGER NOT NULL DEFAULT 0,
  Autre INTEGER NOT NULL DEFAULT 0,
  Detail TEXT NOT NULL DEFAULT '',
  Commentaire TEXT NOT NULL DEFAULT ''
);
CREATE INDEX IX_FermetureCaisse_Representation ON FermetureCaisse (NoRepresentation, Poste);
